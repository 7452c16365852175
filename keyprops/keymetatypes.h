#pragma once
#include "keytypes.h"

#include <QMetaType>

// The by-value arguments of the key properties dialog's signals, so that they
// can travel in QVariant (queued connections, QSignalSpy).
Q_DECLARE_METATYPE(TKeyMap)
Q_DECLARE_METATYPE(TColor)
