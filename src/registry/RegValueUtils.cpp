#include "registry/RegValueUtils.h"

#include "platform/WinCase.h"
#include "platform/WinReg.h"
#include "registry/RegKeyUtils.h"
#include "registry/RegMessageUtils.h"
#include "registry/RegUtils.h"
#include "registry/RegistryAccessor.h"
#include "registry/ValueListModel.h"

#include <QtEndian>

namespace {

const QChar Quote = QLatin1Char('"');

// Text of 8-bit string data up to its first zero byte.
QString textUpToZero(const QByteArray& bytes)
{
    const qsizetype end = bytes.indexOf('\0');
    return QString::fromUtf8(bytes.constData(), end < 0 ? bytes.size() : end);
}

bool openPath(RegistryAccessor& reg, const QString& keyPath, bool showError)
{
    return reg.openPath(keyPath, false, showError) == RegResult::Success;
}

void reportError(bool show, const QString& text)
{
    if (show)
        ShowError(text);
}

} // namespace

int TypeIndexOfCode(DWORD code)
{
    for (int i = 0; i < int(TypeNameTable.size()); ++i) {
        if (TypeNameTable[i].code == code)
            return i;
    }
    return -1;
}

int TypeIndexOfName(const QString& name)
{
    for (int i = 0; i < int(TypeNameTable.size()); ++i) {
        if (name.compare(TypeNameTable[i].name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString TypeNameOfCode(DWORD code)
{
    const int index = TypeIndexOfCode(code);
    return QString(TypeNameTable[index < 0 ? TypeIndexOfCode(REG_NONE) : index].name);
}

int ValueImageIndex(DWORD type)
{
    if (type == REG_SZ || type == REG_EXPAND_SZ)
        return ImageString;
    return type == REG_DWORD ? ImageDWord : ImageOther;
}

bool ValueExists(HKEY key, const QString& name)
{
    return RegQueryValueEx(key, name, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

bool ValueFromBytes(DWORD type, const QByteArray& data, TRegValue& value)
{
    value = TRegValue();
    value.DataType = type;
    if (data.isEmpty())
        return true;
    switch (type) {
    case REG_SZ:
        value.StringData = textUpToZero(data);
        return true;
    case REG_DWORD:
        if (data.size() != 4)
            return false;
        value.DWordData = qFromLittleEndian<quint32>(data.constData());
        return true;
    default:
        value.BinaryData = data;
        return true;
    }
}

QByteArray ValueToBytes(const TRegValue& value)
{
    switch (value.DataType) {
    case REG_SZ: {
        QByteArray bytes = value.StringData.toUtf8();
        bytes.append('\0');
        return bytes;
    }
    case REG_DWORD: {
        QByteArray bytes(4, Qt::Uninitialized);
        qToLittleEndian<quint32>(value.DWordData, bytes.data());
        return bytes;
    }
    default:
        return value.BinaryData;
    }
}

bool ReadValue(HKEY key, const QString& name, TRegValue& value)
{
    DWORD type = REG_NONE;
    QByteArray data;
    if (RegQueryValueBytes(key, name, &type, &data) != ERROR_SUCCESS) {
        value = TRegValue();
        return false;
    }
    return ValueFromBytes(type, data, value);
}

bool WriteValue(HKEY key, const QString& name, const TRegValue& value)
{
    return RegSetValueBytes(key, name, value.DataType, ValueToBytes(value)) == ERROR_SUCCESS;
}

bool ReadValuePath(const QString& keyPath, const QString& name, TRegValue& value)
{
    RegistryAccessor reg(KEY_READ);
    if (!openPath(reg, keyPath, true)) {
        value = TRegValue();
        return false;
    }
    return ReadValue(reg.currentKey(), name, value);
}

bool ValueExistsPath(const QString& keyPath, const QString& name)
{
    RegistryAccessor reg(KEY_READ);
    return openPath(reg, keyPath, true) && ValueExists(reg.currentKey(), name);
}

int GetValueSize(const QString& keyPath, const QString& name)
{
    TRegValue value;
    return ReadValuePath(keyPath, name, value) ? int(ValueSize(value)) : -1;
}

ValueRow ValueRowFor(const QString& name, const TRegValue& value)
{
    ValueRow row;
    row.isDefault = name.isEmpty();
    row.caption = row.isDefault ? DefaultValueCaption : name;
    row.type = TypeNameOfCode(value.DataType);
    row.data = ValueDataText(value);
    row.size = ValueSizeText(value);
    row.image = ValueImageIndex(value.DataType);
    return row;
}

QString FormatSize(quint32 size)
{
    static const char* const units[] = {"Byte", "KB", "MB", "GB", "TB"};
    int unit = 0;
    for (quint32 rest = size >> 10; rest != 0; rest >>= 10)
        ++unit;
    const auto text = [size](int u) {
        const double scaled = double(size) / double(quint64(1) << (10 * u));
        return QString::number(scaled, 'g', 15).replace(QLatin1Char('.'), QLatin1Char(','));
    };
    QString t = text(unit);
    const qsizetype comma = t.indexOf(QLatin1Char(','));
    if ((comma < 0 ? t.size() : comma) >= 4 && unit < 4)
        t = text(++unit);
    const qsizetype position = t.indexOf(QLatin1Char(',')) + 1; // counting from 1, 0 when none
    if (position > 0)
        t.truncate(position == 4 ? 3 : 4); // cut, not rounded
    return t + QLatin1Char(' ') + QLatin1String(units[unit]);
}

QString FormatBytes(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

QString ValueDataText(const TRegValue& value)
{
    switch (value.DataType) {
    case REG_SZ:
        return Quote + value.StringData + Quote;
    case REG_EXPAND_SZ:
        return Quote + textUpToZero(value.BinaryData) + Quote;
    case REG_DWORD:
        return QStringLiteral("0x") + QStringLiteral("%1").arg(value.DWordData, 8, 16, QLatin1Char('0')).toUpper()
            + QStringLiteral(" (") + QString::number(value.DWordData) + QLatin1Char(')');
    default:
        return value.BinaryData.isEmpty() ? EmptyBinaryText : FormatBytes(value.BinaryData);
    }
}

quint32 ValueSize(const TRegValue& value)
{
    switch (value.DataType) {
    case REG_SZ:
        return quint32(value.StringData.size());
    case REG_DWORD:
        return 4;
    default:
        return quint32(value.BinaryData.size());
    }
}

QString ValueSizeText(const TRegValue& value)
{
    return FormatSize(ValueSize(value));
}

void FillValueList(HKEY key, ValueListModel& list)
{
    list.beginUpdate();
    const int defaultRow = list.rowCount();
    list.addRow(ValueListModel::unsetDefaultRow());
    // Type and data come with the name: one query per value. Every name is listed, however long.
    for (DWORD i = 0;; ++i) {
        QString name;
        DWORD type = REG_NONE;
        QByteArray data;
        if (RegEnumValueBytes(key, i, &name, MAX_VALUE_NAME + 1, &type, &data) != ERROR_SUCCESS)
            break;
        TRegValue value;
        (void)ValueFromBytes(type, data, value); // unreadable data still lists name and type
        if (name.isEmpty())
            list.setRow(defaultRow, ValueRowFor(name, value));
        else
            list.addRow(ValueRowFor(name, value));
    }
    list.endUpdate();
}

void ShowKeyValues(const QString& keyPath, ValueListModel& list)
{
    if (keyPath.isEmpty()) {
        list.clear();
        return;
    }
    RegistryAccessor reg(KEY_READ);
    const RegResult opened = reg.openPath(keyPath, false, true);
    if (opened == RegResult::NotConnected)
        return;
    list.beginUpdate();
    list.clear();
    if (opened == RegResult::Success)
        FillValueList(reg.currentKey(), list);
    else
        list.addRow(ValueListModel::unsetDefaultRow());
    list.endUpdate();
}

int CreateNewValue(const QString& keyPath, NewValueKind kind, ValueListModel& list)
{
    TRegValue value;
    switch (kind) {
    case NewValueKind::String:
        value.DataType = REG_SZ;
        break;
    case NewValueKind::Binary:
        value.DataType = REG_BINARY;
        break;
    case NewValueKind::DWord:
        value.DataType = REG_DWORD;
        break;
    default:
        return -1;
    }
    RegistryAccessor reg(KEY_READ | KEY_WRITE);
    const RegResult opened = reg.openPath(keyPath, false, true);
    if (opened == RegResult::NotConnected)
        return -1;
    int number = 1;
    if (opened == RegResult::Success) {
        const HKEY key = reg.currentKey();
        number = FirstFreeNumber([key](const QString& name) { return ValueExists(key, name); }, NewValuePrefix);
    }
    const QString name = NewValuePrefix + QString::number(number);
    RegBatch batch(reg.rootKey()); // a refusal of a read-only registry says why through the batch
    const bool written = opened == RegResult::Success && WriteValue(reg.currentKey(), name, value);
    const LONG committed = batch.end();
    if (!written || committed != ERROR_SUCCESS || !ValueExists(reg.currentKey(), name)) {
        messageSink().message(MessageKind::Error, QStringLiteral("Fehler"),
                              WithCommitReason(QStringLiteral("Datenwert konnte nicht erstellt werden."), committed));
        return -1;
    }
    return list.addRow(ValueRowFor(name, value));
}

RegResult DeleteValuePath(const QString& keyPath, const QString& name, bool showErrors)
{
    RegistryAccessor reg(KEY_READ | KEY_WRITE);
    const RegResult opened = reg.openPath(keyPath, false, showErrors);
    if (opened != RegResult::Success) {
        if (opened == RegResult::NotFound)
            reportError(showErrors, QStringLiteral("Angegebener Wert nicht vorhanden."));
        return opened;
    }
    if (RegDeleteValue(reg.currentKey(), name) != ERROR_SUCCESS) {
        reportError(showErrors, QStringLiteral("Wert konnte nicht gelöscht werden."));
        return RegResult::ValueNotChanged;
    }
    return RegResult::Success;
}

RegResult RenameValue(const QString& keyPath, const QString& oldName, const QString& newName, bool showErrors)
{
    RegistryAccessor reg(KEY_READ | KEY_WRITE);
    const RegResult opened = reg.openPath(keyPath, false, showErrors);
    if (opened != RegResult::Success) {
        if (opened == RegResult::NotFound)
            reportError(showErrors, QStringLiteral("Angegebener Schlüssel nicht vorhanden."));
        return opened;
    }
    const HKEY key = reg.currentKey();
    if (!ValueExists(key, oldName)) {
        reportError(showErrors, QStringLiteral("Angegebener Wert nicht vorhanden."));
        return RegResult::ValueName;
    }
    if (ValueExists(key, newName)) {
        reportError(showErrors, QStringLiteral("Neuer Wert bereits vorhanden."));
        return RegResult::ValueName;
    }
    const QString failed = QStringLiteral("Wert ") + oldName + QStringLiteral(" konnte nicht umbenannt werden.");
    // The stored bytes move as they are, so that type and data never change (a string with embedded
    // zeros or a DWORD of unusual size included).
    DWORD type = REG_NONE;
    QByteArray data;
    RegBatch batch(reg.rootKey()); // the new name and the old one's removal commit together
    if (RegQueryValueBytes(key, oldName, &type, &data) != ERROR_SUCCESS) {
        reportError(showErrors, failed);
        return RegResult::ValueNotRead;
    }
    if (RegSetValueBytes(key, newName, type, data) != ERROR_SUCCESS) {
        reportError(showErrors, failed);
        return RegResult::ValueNotWritten;
    }
    if (RegDeleteValue(key, oldName) != ERROR_SUCCESS || !ValueExists(key, newName)) {
        reportError(showErrors, failed);
        return RegResult::ValueNotChanged;
    }
    const LONG committed = batch.end();
    if (committed != ERROR_SUCCESS) {
        reportError(showErrors, WithCommitReason(failed, committed));
        return RegResult::ValueNotChanged;
    }
    return RegResult::Success;
}
