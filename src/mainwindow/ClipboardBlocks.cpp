#include "mainwindow/ClipboardBlocks.h"

#include "mainwindow/TUndoList.h"
#include "platform/TextCodec.h"
#include "platform/WinReg.h"
#include "registry/KeyPath.h"
#include "registry/Progress.h"
#include "registry/RegKeyUtils.h"
#include "registry/RegMessageUtils.h"
#include "registry/RegUtils.h"
#include "registry/RegValueUtils.h"
#include "registry/RegistryAccessor.h"

#include <QtEndian>

namespace {

void putU32(QByteArray& out, quint32 v)
{
    char bytes[4];
    qToLittleEndian(v, bytes);
    out.append(bytes, 4);
}

void putText(QByteArray& out, const QByteArray& text)
{
    putU32(out, quint32(text.size()));
    out.append(text);
}

// Reads within [0, end) of a block; every read checks the room left first.
class BlockReader {
public:
    BlockReader(const QByteArray& block, qsizetype end) : m_block(block), m_end(end) {}

    bool u32(quint32& v)
    {
        if (m_end - m_pos < 4)
            return false;
        v = qFromLittleEndian<quint32>(m_block.constData() + m_pos);
        m_pos += 4;
        return true;
    }
    bool bytes(quint32 count, QByteArray& out)
    {
        if (quint64(m_end - m_pos) < count)
            return false;
        out = m_block.mid(m_pos, qsizetype(count));
        m_pos += qsizetype(count);
        return true;
    }
    bool text(QString& out)
    {
        quint32 length = 0;
        QByteArray raw;
        if (!u32(length) || !bytes(length, raw))
            return false;
        out = TextCodec::decode(raw);
        return true;
    }
    [[nodiscard]] qsizetype left() const { return m_end - m_pos; }

private:
    const QByteArray& m_block;
    qsizetype m_end;
    qsizetype m_pos = 0;
};

// The total size field, when the block holds at least that many bytes.
std::optional<qsizetype> declaredSize(const QByteArray& block, quint32 minimum)
{
    if (block.size() < 4)
        return std::nullopt;
    const quint32 total = qFromLittleEndian<quint32>(block.constData());
    if (total < minimum || quint64(total) > quint64(block.size()))
        return std::nullopt;
    return qsizetype(total);
}

void patchSize(QByteArray& block)
{
    qToLittleEndian(quint32(block.size()), block.data());
}

} // namespace

QByteArray EncodeKeyClip(const KeyClip& clip)
{
    QByteArray block;
    putU32(block, 0);
    putU32(block, clip.cut ? 1 : 0);
    putText(block, TextCodec::encode(clip.machine));
    putText(block, TextCodec::encode(clip.keyPath));
    patchSize(block);
    return block;
}

std::optional<KeyClip> DecodeKeyClip(const QByteArray& block)
{
    const auto total = declaredSize(block, 16);
    if (!total)
        return std::nullopt;
    BlockReader reader(block, *total);
    quint32 skip = 0;
    quint32 cut = 0;
    KeyClip clip;
    if (!reader.u32(skip) || !reader.u32(cut) || cut > 1 || !reader.text(clip.machine) || !reader.text(clip.keyPath)
        || reader.left() != 0 || clip.keyPath.isEmpty())
        return std::nullopt;
    clip.cut = cut == 1;
    return clip;
}

QByteArray EncodeValueClip(const QList<ClipValue>& values)
{
    QByteArray block;
    putU32(block, 0);
    putU32(block, quint32(values.size()));
    for (const ClipValue& v : values) {
        putText(block, TextCodec::encode(v.name));
        putU32(block, v.value.DataType);
        if (v.value.DataType == REG_SZ)
            putText(block, TextCodec::encode(v.value.StringData));
        else if (v.value.DataType == REG_DWORD)
            putU32(block, v.value.DWordData);
        else
            putText(block, v.value.BinaryData);
    }
    patchSize(block);
    return block;
}

std::optional<QList<ClipValue>> DecodeValueClip(const QByteArray& block)
{
    const auto total = declaredSize(block, 8);
    if (!total)
        return std::nullopt;
    BlockReader reader(block, *total);
    quint32 skip = 0;
    quint32 count = 0;
    // Each entry takes at least 12 bytes: a count larger than the block can hold is a lie.
    if (!reader.u32(skip) || !reader.u32(count) || quint64(count) * 12 > quint64(reader.left()))
        return std::nullopt;
    QList<ClipValue> values;
    values.reserve(count);
    for (quint32 i = 0; i < count; ++i) {
        ClipValue v;
        if (!reader.text(v.name) || !reader.u32(v.value.DataType))
            return std::nullopt;
        bool ok = false;
        if (v.value.DataType == REG_SZ)
            ok = reader.text(v.value.StringData);
        else if (v.value.DataType == REG_DWORD)
            ok = reader.u32(v.value.DWordData);
        else {
            quint32 length = 0;
            ok = reader.u32(length) && reader.bytes(length, v.value.BinaryData);
        }
        if (!ok)
            return std::nullopt;
        values.append(std::move(v));
    }
    if (reader.left() != 0)
        return std::nullopt;
    return values;
}

QList<ClipValue> ReadClipValues(const QString& keyPath, const QStringList& names)
{
    QList<ClipValue> values;
    RegistryAccessor reg(KEY_READ);
    if (reg.openPath(keyPath, false, true) != RegResult::Success)
        return values;
    for (const QString& name : names) {
        ClipValue v;
        v.name = name;
        if (ReadValue(reg.currentKey(), name, v.value))
            values.append(std::move(v));
    }
    return values;
}

ClipWrite WriteClipValues(const QString& keyPath, const QList<ClipValue>& values, TUndoList* undo)
{
    ClipWrite result;
    RegistryAccessor reg(KEY_READ | KEY_WRITE);
    if (reg.openPath(keyPath, false, true) != RegResult::Success)
        return result;
    RegBatch batch(reg.rootKey());
    QList<TUndoItem> records;
    for (const ClipValue& v : values) {
        TRegValue old;
        const bool existed = ReadValue(reg.currentKey(), v.name, old);
        if (!WriteValue(reg.currentKey(), v.name, v.value))
            continue;
        ++result.written;
        records.append(MakeUndoItem(existed ? UndoKind::ValueChanged : UndoKind::ValueAdded, keyPath, old, v.name));
    }
    result.commitError = batch.end();
    if (result.commitError != ERROR_SUCCESS) {
        result.written = 0; // the store kept none of them: nothing to take back
        return result;
    }
    if (undo && !records.isEmpty()) {
        undo->BeginGroup();
        for (TUndoItem& item : records)
            undo->Add(std::move(item));
        undo->EndGroup();
    }
    return result;
}

bool PasteKey(const KeyClip& clip, const QString& targetParentPath, Progress& progress)
{
    if (!CopyKey(clip.machine, CurrentMachine(), clip.keyPath, true, targetParentPath, progress))
        return false;
    if (progress.abortRequested())
        return false; // a partial copy must not cost the source
    if (!clip.cut)
        return true;
    RegistryAccessor reg(KEY_READ | KEY_WRITE);
    const RegResult opened = reg.openPathOn(clip.machine, clip.keyPath, false, true);
    if (opened == RegResult::NotConnected)
        return false;
    if (opened != RegResult::Success) {
        ShowError(QStringLiteral("Angegebener Schlüssel nicht vorhanden."));
        return false;
    }
    reg.closeKey();
    if (!reg.deleteKey(QStringLiteral("\\") + KeyPath(clip.keyPath).subKeyPath())) {
        ShowError(WithCommitReason(QStringLiteral("Schlüssel konnte nicht gelöscht werden."), reg.commitError()));
        return false;
    }
    return true;
}
