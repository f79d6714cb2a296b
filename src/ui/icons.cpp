#include "ui/icons.h"

#include <QApplication>
#include <QFile>
#include <QHash>
#include <QLocale>
#include <QPainter>
#include <QPixmap>
#include <QStandardPaths>
#include <QStyle>

#include "items/fileDB.h"

void InitUiResources() {
    Q_INIT_RESOURCE(trawler);
    // Type names and dates of the desktop come in the program's language.
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
}

using namespace Qt::StringLiterals;

namespace {
// Without a desktop session Qt knows no theme; the freedesktop one Debian installs serves.
void EnsureTheme() {
    static bool done = false;
    if (done)
        return;
    done = true;
    // Platforms without a desktop theme (offscreen, a bare X server) look in no system folder.
    QStringList paths = QIcon::themeSearchPaths();
    const QStringList system = QStandardPaths::locateAll(QStandardPaths::GenericDataLocation,
                                                         u"icons"_s, QStandardPaths::LocateDirectory);
    for (const QString &path : system)
        if (!paths.contains(path))
            paths.append(path);
    QIcon::setThemeSearchPaths(paths);
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == u"hicolor")
        QIcon::setThemeName(QStringLiteral("Adwaita"));
    QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
}

QIcon GenericFile() {
    EnsureTheme();
    QIcon icon;
    if (QIcon::hasThemeIcon(QStringLiteral("text-x-generic")))
        icon = QIcon::fromTheme(QStringLiteral("text-x-generic"));
    if (icon.isNull() && qApp)
        icon = QApplication::style()->standardIcon(QStyle::SP_FileIcon);
    return icon;
}

// Theme names that stand in for the program's own pictures when the resource lacks one.
QString ThemeStandIn(const QString &name) {
    static const QHash<QString, QString> standIns{
        {u"trawler-unknown"_s, u"dialog-question"_s},
        {u"trawler-cabinet"_s, u"drive-harddisk"_s},
        {u"trawler-cabinet-open"_s, u"drive-harddisk"_s},
        {u"trawler-folder"_s, u"folder"_s},
        {u"trawler-folder-open"_s, u"folder-open"_s},
    };
    return standIns.value(name);
}
} // namespace

QIcon IconFor(const std::string &name) {
    static QHash<QString, QIcon> cache;
    EnsureTheme();
    QString key = QString::fromStdString(name);
    auto found = cache.constFind(key);
    if (found != cache.constEnd())
        return *found;
    QIcon icon;
    if (key.startsWith(u"trawler-")) {
        QString resource = u":/icons/"_s + key + u".svg"_s;
        if (QFile::exists(resource))
            icon = QIcon(resource);
        else if (QString standIn = ThemeStandIn(key); QIcon::hasThemeIcon(standIn))
            icon = QIcon::fromTheme(standIn);
    } else if (QIcon::hasThemeIcon(key)) {
        // Asked blindly, the theme answers a name it lacks with an icon that draws nothing.
        icon = QIcon::fromTheme(key);
    }
    if (icon.isNull())
        icon = GenericFile();
    cache.insert(key, icon);
    return icon;
}

QIcon SmallImage(TFileDb &database, int index) {
    if (index < 0 || static_cast<size_t>(index) >= database.Small.size())
        index = ImageUnknown;
    return IconFor(database.Small[static_cast<size_t>(index)]);
}

QIcon LargeImage(TFileDb &database, int index) {
    if (index < 0 || static_cast<size_t>(index) >= database.Large.size())
        index = ImageUnknown;
    return IconFor(database.Large[static_cast<size_t>(index)]);
}

QIcon StateImage(TFileDb &database, int index) {
    if (index <= StateNone || static_cast<size_t>(index) >= database.State.size() ||
        database.State[static_cast<size_t>(index)].empty())
        return {};
    return IconFor(database.State[static_cast<size_t>(index)]);
}

QIcon WithState(const QIcon &icon, const QIcon &state, int size) {
    if (state.isNull())
        return icon;
    QPixmap picture(size, size);
    picture.fill(Qt::transparent);
    {
        QPainter painter(&picture);
        icon.paint(&painter, QRect(0, 0, size, size));
        int quarter = size / 2;
        state.paint(&painter, QRect(0, size - quarter, quarter, quarter));
    }
    return QIcon(picture);
}

QIcon ToolbarIcon(const QString &buttonName) {
    static const QHash<QString, QString> pictures{
        {u"SBtn1"_s, u"trawler-open-cache"_s}, {u"SBtn2"_s, u"trawler-new-window"_s},
        {u"SBtn3"_s, u"trawler-cut"_s},        {u"SBtn4"_s, u"trawler-copy"_s},
        {u"SBtn5"_s, u"trawler-paste"_s},      {u"SBtn6"_s, u"trawler-view-large"_s},
        {u"SBtn7"_s, u"trawler-view-small"_s}, {u"SBtn8"_s, u"trawler-view-list"_s},
        {u"SBtn9"_s, u"trawler-view-details"_s},
    };
    static const QHash<QString, QString> themed{
        {u"SBtn1"_s, u"document-open"_s}, {u"SBtn2"_s, u"window-new"_s},
        {u"SBtn3"_s, u"edit-cut"_s},      {u"SBtn4"_s, u"edit-copy"_s},
        {u"SBtn5"_s, u"edit-paste"_s},
    };
    QString own = pictures.value(buttonName);
    if (!own.isEmpty() && QFile::exists(u":/icons/"_s + own + u".svg"_s))
        return IconFor(own.toStdString());
    EnsureTheme();
    QString themedName = themed.value(buttonName);
    return QIcon::hasThemeIcon(themedName) ? QIcon::fromTheme(themedName) : GenericFile();
}

QIcon ProgramIconPicture() {
    return IconFor("trawler-program");
}
