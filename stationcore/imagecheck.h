#pragma once
// Comparing what was sent to a keyboard with what it sends back.
#include <QByteArray>
#include <QString>

// The first byte at which two 881-byte images differ, or -1 when they are equal.
int firstImageDifference(const QByteArray& a, const QByteArray& b);

// "слот 67 (клавиша (4, 2))" with the key as the editor names it to the user,
// column and row from 1; "слот 9" for a slot no key uses.
QString slotText(int slot);

// The verdict on a read-back whose first difference is at byte `at` (-1: none):
// "Сверка совпала." or "Сверка не совпала: " and where (the slot, or the checksum byte).
QString imageDifferenceText(int at);
// The same for the two images: "Сверка совпала." or "Сверка не совпала: " and
// where (the first differing slot, or the checksum byte).
QString verificationText(const QByteArray& sent, const QByteArray& readBack);
