// Velmora: the structures that the desktop's search interfaces send.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QByteArray>
#include <QDBusArgument>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariantMap>

class QImage;

namespace tarn::desktop {

// An image as both desktops take it inline, "(iiibiiay)": GNOME Shell as a
// result's "icon-data", KRunner as a match's "icon-data" property.
struct IconData
{
    int width = 0;
    int height = 0;
    int rowStride = 0;
    bool hasAlpha = true;
    int bitsPerSample = 8;
    int channels = 4;
    QByteArray data;
};

// Non-premultiplied RGBA, rows as the image holds them.
IconData iconData(const QImage &image);

// One result as KRunner takes it, "(sssida{sv})".
struct RemoteMatch
{
    QString id;
    QString text;
    QString iconName;
    int type = 0; // how sure the match is, as KRunner grades them
    double relevance = 0;
    QVariantMap properties;
};

// What KRunner may offer beside a match's own action, "(sss)".
struct RemoteAction
{
    QString id;
    QString text;
    QString iconName;
};

// KRunner's grades of a match.
enum MatchType {
    PossibleMatch = 30,
    ExactMatch = 100,
};

// Makes the structures known to Qt's D-Bus, once, before any is sent.
void registerDesktopTypes();

QDBusArgument &operator<<(QDBusArgument &argument, const IconData &icon);
const QDBusArgument &operator>>(const QDBusArgument &argument, IconData &icon);
QDBusArgument &operator<<(QDBusArgument &argument, const RemoteMatch &match);
const QDBusArgument &operator>>(const QDBusArgument &argument, RemoteMatch &match);
QDBusArgument &operator<<(QDBusArgument &argument, const RemoteAction &action);
const QDBusArgument &operator>>(const QDBusArgument &argument, RemoteAction &action);

} // namespace tarn::desktop

Q_DECLARE_METATYPE(tarn::desktop::IconData)
Q_DECLARE_METATYPE(tarn::desktop::RemoteMatch)
Q_DECLARE_METATYPE(tarn::desktop::RemoteAction)
