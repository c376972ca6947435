#include "app/PortalScreenshot.h"

#include "keyhook/PortalRequest.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QVariant>
#include <memory>

namespace {

constexpr char kInterface[] = "org.freedesktop.portal.Screenshot";
// A desktop that asks the learner to allow screenshots the first time waits
// for the answer; past this the bars come back with Qt's copy.
constexpr int kAnswerWaitMs = 15000;

QImage PictureAt(const QUrl& uri)
{
    if (!uri.isLocalFile())
        return QImage();
    QImage picture(uri.toLocalFile());
    // The picture is ours now; a desktop that saves screenshots among the
    // learner's pictures would otherwise gain one at every switch.
    QFile::remove(uri.toLocalFile());
    return picture;
}

} // namespace

bool PortalScreenshotSource::Offered()
{
    if (!m_offered) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bool offered = bus.isConnected() && bus.interface()->isServiceRegistered(QLatin1String(PortalService));
        if (offered) {
            // The frontend has the interface only where a backend implements it.
            QDBusInterface properties(QLatin1String(PortalService), QLatin1String(PortalPath),
                                      QStringLiteral("org.freedesktop.DBus.Properties"), bus);
            const QDBusReply<QVariant> version =
                properties.call(QStringLiteral("Get"), QLatin1String(kInterface), QStringLiteral("version"));
            offered = version.isValid();
        }
        m_offered = offered;
    }
    return *m_offered;
}

void PortalScreenshotSource::FallBack(const Taken& taken) { m_grab.Take(taken); }

void PortalScreenshotSource::Take(Taken taken)
{
    if (!Offered()) {
        FallBack(taken);
        return;
    }
    // Whichever comes first, the portal's answer or the end of the wait.
    auto pending = std::make_shared<Taken>(std::move(taken));
    const auto answer = [this, pending](const QImage& picture) {
        if (!*pending)
            return;
        const Taken done = std::move(*pending);
        *pending = nullptr;
        const QScreen* screen = QGuiApplication::primaryScreen();
        if (picture.isNull() || !screen) {
            FallBack(done);
            return;
        }
        // The picture shows the whole desktop in the compositor's pixels;
        // the copy takes its scale from its width against the desktop's.
        done(picture, screen->virtualGeometry());
    };
    QTimer::singleShot(kAnswerWaitMs, &m_owner, [answer] { answer(QImage()); });
    PortalRequest::send(QDBusConnection::sessionBus(), QLatin1String(kInterface), QStringLiteral("Screenshot"),
                        {QString()}, {{QStringLiteral("interactive"), false}}, &m_owner,
                        [answer](uint response, const QVariantMap& results) {
                            answer(response == PortalRequest::Success
                                       ? PictureAt(QUrl(results.value(QStringLiteral("uri")).toString()))
                                       : QImage());
                        });
}
