// Velmora: the structures that the desktop's search interfaces send.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "dbustypes.h"

#include <QDBusMetaType>
#include <QImage>

namespace tarn::desktop {

IconData iconData(const QImage &image)
{
    const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
    IconData icon;
    icon.width = rgba.width();
    icon.height = rgba.height();
    icon.rowStride = int(rgba.bytesPerLine());
    icon.data = QByteArray(reinterpret_cast<const char *>(rgba.constBits()), rgba.sizeInBytes());
    return icon;
}

void registerDesktopTypes()
{
    static const bool registered = [] {
        qDBusRegisterMetaType<IconData>();
        qDBusRegisterMetaType<RemoteMatch>();
        qDBusRegisterMetaType<QList<RemoteMatch>>();
        qDBusRegisterMetaType<RemoteAction>();
        qDBusRegisterMetaType<QList<RemoteAction>>();
        qDBusRegisterMetaType<QList<QVariantMap>>();
        return true;
    }();
    Q_UNUSED(registered);
}

QDBusArgument &operator<<(QDBusArgument &argument, const IconData &icon)
{
    argument.beginStructure();
    argument << icon.width << icon.height << icon.rowStride << icon.hasAlpha << icon.bitsPerSample
             << icon.channels << icon.data;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, IconData &icon)
{
    argument.beginStructure();
    argument >> icon.width >> icon.height >> icon.rowStride >> icon.hasAlpha >> icon.bitsPerSample
        >> icon.channels >> icon.data;
    argument.endStructure();
    return argument;
}

QDBusArgument &operator<<(QDBusArgument &argument, const RemoteMatch &match)
{
    argument.beginStructure();
    argument << match.id << match.text << match.iconName << match.type << match.relevance
             << match.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, RemoteMatch &match)
{
    argument.beginStructure();
    argument >> match.id >> match.text >> match.iconName >> match.type >> match.relevance
        >> match.properties;
    argument.endStructure();
    return argument;
}

QDBusArgument &operator<<(QDBusArgument &argument, const RemoteAction &action)
{
    argument.beginStructure();
    argument << action.id << action.text << action.iconName;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, RemoteAction &action)
{
    argument.beginStructure();
    argument >> action.id >> action.text >> action.iconName;
    argument.endStructure();
    return argument;
}

} // namespace tarn::desktop
