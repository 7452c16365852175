#include "keymime.h"

#include "layoutjson.h"

#include <QCoreApplication>
#include <QMimeData>

namespace {
const QString JsonMime = QStringLiteral("application/json");
const QString SourceMime = QStringLiteral("application/x-raskladka-key-source");

// Names one window of one process: a pointer alone could be reused by another process.
QByteArray windowToken(const void* window)
{
    return QByteArray::number(QCoreApplication::applicationPid()) + ':' +
           QByteArray::number(reinterpret_cast<quintptr>(window), 16);
}
}  // namespace

QMimeData* keyMimeData(const KeyData& key, QPoint at)
{
    auto* mime = new QMimeData;
    const QByteArray json = keyToJson(key, at.x(), at.y());
    mime->setData(JsonMime, json);
    mime->setText(QString::fromUtf8(json));
    return mime;
}

namespace {
// The JSON `mime` carries; false with `error` when none.
bool mimeJson(const QMimeData* mime, QByteArray& json, QString* error)
{
    if (mime && mime->hasFormat(JsonMime))
        json = mime->data(JsonMime);
    else if (mime && mime->hasText())
        json = mime->text().toUtf8();
    if (!json.trimmed().isEmpty())
        return true;
    if (error)
        *error = QStringLiteral("буфер обмена пуст или не содержит текста");
    return false;
}
}  // namespace

bool keyFromMimeData(const QMimeData* mime, KeyData& key, QString* error)
{
    QByteArray json;
    return mimeJson(mime, json, error) && keyFromJson(json, key, error);
}

QMimeData* blockMimeData(const KeyBlock& block, QPoint origin)
{
    if (block.size() == 1)
        return keyMimeData(block.first().second, origin + block.first().first);
    auto* mime = new QMimeData;
    const QByteArray json = blockToJson(block);
    mime->setData(JsonMime, json);
    mime->setText(QString::fromUtf8(json));
    return mime;
}

bool blockFromMimeData(const QMimeData* mime, KeyBlock& block, QString* error)
{
    QByteArray json;
    if (!mimeJson(mime, json, error))
        return false;
    if (isBlockJson(json))
        return blockFromJson(json, block, error);
    KeyData key;
    if (!keyFromJson(json, key, error))
        return false;
    block = {{QPoint(0, 0), key}};
    return true;
}

void markDragSource(QMimeData& mime, const void* window, QPoint key)
{
    mime.setData(SourceMime, windowToken(window) + ' ' + QByteArray::number(key.x()) + ' ' + QByteArray::number(key.y()));
}

QPoint dragSource(const QMimeData* mime, const void* window)
{
    if (!mime || !mime->hasFormat(SourceMime))
        return {-1, -1};
    const QList<QByteArray> parts = mime->data(SourceMime).split(' ');
    if (parts.size() != 3 || parts[0] != windowToken(window))
        return {-1, -1};
    bool okCol = false, okRow = false;
    const int col = parts[1].toInt(&okCol), row = parts[2].toInt(&okRow);
    if (!okCol || !okRow || col < 0 || col >= KeyCols || row < 0 || row >= KeyRows)
        return {-1, -1};
    return {col, row};
}
