#include "mainwindow/RegClipboard.h"

#include "mainwindow/TUndoList.h"
#include "mainwindow/ValueCommands.h"
#include "registry/MessageSink.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace {

QString format(const char* name)
{
    return QString::fromLatin1(name);
}

QByteArray clipData(const char* name)
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data ? data->data(format(name)) : QByteArray();
}

bool hasFormat(const char* name)
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasFormat(format(name));
}

void putBlock(const char* name, const QByteArray& block)
{
    auto* data = new QMimeData;
    data->setData(format(name), block);
    QGuiApplication::clipboard()->setMimeData(data);
}

} // namespace

void PutKeyClip(bool cut, const QString& machine, const QString& keyPath)
{
    putBlock(KeyClipFormat, EncodeKeyClip({cut, machine, keyPath}));
}

std::optional<KeyClip> GetKeyClip()
{
    return DecodeKeyClip(clipData(KeyClipFormat));
}

int PutValueClip(const QString& keyPath, const QStringList& valueNames)
{
    const QList<ClipValue> values = ReadClipValues(keyPath, valueNames);
    if (!values.isEmpty())
        putBlock(ValueClipFormat, EncodeValueClip(values));
    return int(values.size());
}

int PasteValueClip(const QString& keyPath, TUndoList* undo)
{
    const auto values = DecodeValueClip(clipData(ValueClipFormat));
    if (!values || values->isEmpty())
        return 0;
    TUndoList unrecorded;
    return ValueCommands(undo ? *undo : unrecorded, messageSink()).PasteValues(keyPath, *values);
}

bool KeyClipAvailable()
{
    return hasFormat(KeyClipFormat);
}

bool ValueClipAvailable()
{
    return hasFormat(ValueClipFormat);
}
