#include "platform/hive/HiveMapping.h"

#include "platform/WinCase.h"
#include "platform/hive/HiveClassesRoot.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

namespace {

const QString Hklm = QStringLiteral("HKEY_LOCAL_MACHINE");
const QString Hku = QStringLiteral("HKEY_USERS");

struct Builder {
    bool write = false;
    std::vector<std::unique_ptr<HiveFile>> files;
    QVector<HiveMount> mounts;
    QStringList warnings;
    QString userClasses; // the chosen user's classes below HKEY_USERS

    // Index of the opened file, or -1 (with a warning) when it is missing or cannot be opened.
    int open(const QString& path, const QString& what)
    {
        if (path.isEmpty()) {
            warnings << QStringLiteral("Die Hive-Datei %1 fehlt; ihr Schlüssel wird nicht angezeigt.").arg(what);
            return -1;
        }
        QString error;
        std::unique_ptr<HiveFile> file = HiveFile::open(path, write, &error, &warnings);
        // A hive that may not be written (one not closed cleanly) is still shown, read-only.
        if (!file && write && (file = HiveFile::open(path, false, &error, &warnings)))
            warnings << error + QStringLiteral(" Sie ist nur zum Lesen geöffnet.");
        if (!file) {
            warnings << error;
            return -1;
        }
        files.push_back(std::move(file));
        return int(files.size()) - 1;
    }
    void mount(const QString& path, int file, const QStringList& inside = {})
    {
        if (file >= 0)
            mounts.append(HiveMount{path, file, inside});
    }
    [[nodiscard]] HiveFile* file(int index) const { return index >= 0 ? files[size_t(index)].get() : nullptr; }
};

// A value of the key at names below the hive's root, or an empty array.
QByteArray valueAt(HiveFile* file, const QStringList& names, const QString& value, DWORD* type = nullptr)
{
    if (!file)
        return {};
    HiveNodeId node = file->root();
    for (const QString& name : names) {
        if (!(node = file->child(node, name)))
            return {};
    }
    QVector<BackendValue> values;
    (void)file->values(node, &values);
    for (const BackendValue& v : std::as_const(values)) {
        if (winEqualsNoCase(v.name, value)) {
            if (type)
                *type = v.type;
            return v.data;
        }
    }
    return {};
}

struct Profile {
    QString sid;
    QString folder; // local path of the profile folder
};

// "C:\Users\Anna" or "%SystemDrive%\Users\Anna" as a folder below the partition root.
QString profileFolder(const QString& root, QString imagePath)
{
    imagePath = QString::fromUtf8(imagePath.toUtf8().constData()); // up to the first NUL
    QStringList parts = imagePath.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    if (parts.isEmpty() || !(parts.first().endsWith(QLatin1Char(':')) || parts.first().startsWith(u'%')))
        return {};
    parts.removeFirst();
    return HiveMapping::findPath(root, parts);
}

QVector<Profile> profiles(const QString& root, HiveFile* software)
{
    QVector<Profile> found;
    const QStringList list{QStringLiteral("Microsoft"), QStringLiteral("Windows NT"),
                           QStringLiteral("CurrentVersion"), QStringLiteral("ProfileList")};
    HiveNodeId node = software ? software->root() : 0;
    for (const QString& name : list)
        node = node ? software->child(node, name) : 0;
    if (node) {
        for (HiveNodeId sid : software->node(node)->children) {
            const QString name = software->node(sid)->name;
            const QByteArray image = valueAt(software, list + QStringList{name}, QStringLiteral("ProfileImagePath"));
            const QString folder = profileFolder(root, QString::fromUtf8(image));
            if (!folder.isEmpty())
                found.append(Profile{name, folder});
        }
        return found;
    }
    // No profile list: the folders of Users, named by themselves.
    const QString users = HiveMapping::findPath(root, {QStringLiteral("Users")});
    if (!users.isEmpty()) {
        for (const QFileInfo& f : QDir(users).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot))
            found.append(Profile{f.fileName(), f.filePath()});
    }
    return found;
}

void mountUsers(Builder& b, const QString& root, HiveFile* software, const QString& user, QString* error)
{
    bool userFound = user.isEmpty();
    for (const Profile& p : profiles(root, software)) {
        const QString ntuser = HiveMapping::findPath(p.folder, {QStringLiteral("NTUSER.DAT")});
        if (ntuser.isEmpty())
            continue;
        const int file = b.open(ntuser, ntuser);
        b.mount(Hku + QLatin1Char('\\') + p.sid, file);
        const bool chosen = !user.isEmpty() && winEqualsNoCase(QFileInfo(p.folder).fileName(), user);
        if (chosen && file >= 0) {
            b.mount(QStringLiteral("HKEY_CURRENT_USER"), file);
            userFound = true;
        }
        const QString classes = HiveMapping::findPath(
            p.folder, {QStringLiteral("AppData"), QStringLiteral("Local"), QStringLiteral("Microsoft"),
                       QStringLiteral("Windows"), QStringLiteral("UsrClass.dat")});
        if (classes.isEmpty())
            continue;
        const int classesFile = b.open(classes, classes);
        b.mount(Hku + QLatin1Char('\\') + p.sid + QStringLiteral("_Classes"), classesFile);
        if (chosen && classesFile >= 0)
            b.userClasses = p.sid + QStringLiteral("_Classes");
    }
    if (!userFound)
        *error = QStringLiteral("Der Benutzer \"%1\" wurde in der Windows-Installation nicht gefunden.").arg(user);
}

// The profile whose NTUSER.DAT changed last: the user who used the installation last.
QString lastUser(const QString& root)
{
    QString user;
    QDateTime newest;
    for (const QString& folder : {QStringLiteral("Users"), QStringLiteral("Documents and Settings")}) {
        const QString profiles = HiveMapping::findPath(root, {folder});
        if (profiles.isEmpty())
            continue;
        for (const QFileInfo& f : QDir(profiles).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            const QString ntuser = HiveMapping::findPath(f.filePath(), {QStringLiteral("NTUSER.DAT")});
            const QDateTime changed = ntuser.isEmpty() ? QDateTime() : QFileInfo(ntuser).lastModified();
            if (changed.isValid() && (!newest.isValid() || changed > newest)) {
                newest = changed;
                user = f.fileName();
            }
        }
    }
    return user;
}

} // namespace

namespace HiveMapping {

HiveMount parseMount(const QString& mountArg)
{
    const qsizetype colon = mountArg.lastIndexOf(QLatin1Char(':'));
    if (colon > 0 && !mountArg.mid(colon + 1).contains(QLatin1Char('/')) && colon + 1 < mountArg.size())
        return HiveMount{mountArg.left(colon), mountArg.mid(colon + 1)};
    return HiveMount{mountArg, QFileInfo(mountArg).fileName()};
}

bool isHiveFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(4) == "regf";
}

QString findPath(const QString& base, const QStringList& names)
{
    QString current = base;
    for (const QString& name : names) {
        const QDir dir(current);
        QString match;
        const auto filter = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
        for (const QString& entry : dir.entryList(filter)) {
            if (winEqualsNoCase(entry, name)) {
                match = dir.filePath(entry);
                if (entry == name)
                    break;
            }
        }
        if (match.isEmpty())
            return {};
        current = match;
    }
    return current;
}

std::shared_ptr<HiveBackend> openHives(const QVector<HiveMount>& hives, bool write, QString* error)
{
    Builder b;
    b.write = write;
    for (const HiveMount& mountArg : hives) {
        QString reason;
        std::unique_ptr<HiveFile> file = HiveFile::open(mountArg.path, write, &reason, &b.warnings);
        if (!file) {
            *error = reason;
            return nullptr;
        }
        b.files.push_back(std::move(file));
        b.mount(Hklm + QLatin1Char('\\') + mountArg.name, int(b.files.size()) - 1);
    }
    return std::make_shared<HiveBackend>(std::move(b.files), b.mounts, b.warnings);
}

std::shared_ptr<RegistryBackend> openWindows(const QString& dir, const QString& user, bool write, QString* error,
                                             QStringList* warnings)
{
    const QString config =
        findPath(dir, {QStringLiteral("Windows"), QStringLiteral("System32"), QStringLiteral("config")});
    if (config.isEmpty()) {
        *error = QStringLiteral("Im Ordner \"%1\" gibt es kein Windows\\System32\\config.").arg(dir);
        return nullptr;
    }
    Builder b;
    b.write = write;
    const auto hive = [&](const QString& name) { return b.open(findPath(config, {name}), name); };
    const int software = hive(QStringLiteral("SOFTWARE"));
    const int system = hive(QStringLiteral("SYSTEM"));
    b.mount(Hklm + QStringLiteral("\\SOFTWARE"), software);
    b.mount(Hklm + QStringLiteral("\\SYSTEM"), system);
    b.mount(Hklm + QStringLiteral("\\SAM"), hive(QStringLiteral("SAM")));
    b.mount(Hklm + QStringLiteral("\\SECURITY"), hive(QStringLiteral("SECURITY")));
    b.mount(Hku + QStringLiteral("\\.DEFAULT"), hive(QStringLiteral("DEFAULT")));
    if (software < 0 && system < 0) {
        *error = QStringLiteral("Im Ordner \"%1\" ist keine lesbare Hive-Datei.").arg(config);
        return nullptr;
    }
    DWORD type = 0;
    const QByteArray current = valueAt(b.file(system), {QStringLiteral("Select")}, QStringLiteral("Current"), &type);
    if (type == REG_DWORD && current.size() == 4) {
        const QString set = QStringLiteral("ControlSet%1").arg(qFromLittleEndian<quint32>(current.constData()), 3, 10,
                                                                QLatin1Char('0'));
        b.mount(Hklm + QStringLiteral("\\SYSTEM\\CurrentControlSet"), system, {set});
        HiveFile* sys = b.file(system);
        const HiveNodeId controlSet = sys->child(sys->root(), set);
        const HiveNodeId profiles =
            sys->child(sys->child(controlSet, QStringLiteral("Hardware Profiles")), QStringLiteral("Current"));
        if (profiles)
            b.mount(QStringLiteral("HKEY_CURRENT_CONFIG"), system,
                    {set, QStringLiteral("Hardware Profiles"), QStringLiteral("Current")});
    } else if (system >= 0) {
        b.warnings << QStringLiteral("SYSTEM nennt keinen gültigen Steuersatz (Select\\Current); "
                                     "CurrentControlSet wird nicht angezeigt.");
    }
    if (software >= 0 && b.file(software)->child(b.file(software)->root(), QStringLiteral("Classes")))
        b.mount(QStringLiteral("HKEY_CLASSES_ROOT"), software, {QStringLiteral("Classes")});
    QString unknownUser; // its own string: *error may hold a caller's earlier text
    mountUsers(b, dir, b.file(software), user, &unknownUser);
    if (!unknownUser.isEmpty()) {
        *error = unknownUser;
        return nullptr;
    }
    auto hives = std::make_shared<HiveBackend>(std::move(b.files), b.mounts, b.warnings);
    *warnings = hives->warnings();
    KeyId machineClasses = 0;
    KeyId users = 0;
    KeyId userClasses = 0;
    (void)hives->predefinedKey(HKEY_CLASSES_ROOT, &machineClasses);
    if (!b.userClasses.isEmpty() && hives->predefinedKey(HKEY_USERS, &users) == ERROR_SUCCESS
        && hives->openKey(users, {b.userClasses}, KEY_READ, &userClasses) != ERROR_SUCCESS)
        userClasses = 0;
    return std::make_shared<HiveClassesRoot>(std::move(hives), machineClasses, userClasses);
}

std::shared_ptr<RegistryBackend> openMachine(const QString& path, bool write, QString* error)
{
    const QFileInfo info(path);
    QStringList warnings;
    if (info.isDir())
        return openWindows(path, lastUser(path), write, error, &warnings);
    return openHives({HiveMount{path, info.fileName()}}, write, error);
}

} // namespace HiveMapping
