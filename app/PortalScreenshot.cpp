#include "app/PortalScreenshot.h"

#include "keyhook/PortalRequest.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>
#include <QFile>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <QVariant>
#include <memory>

namespace PortalScreenshot {
namespace {

constexpr char kInterface[] = "org.freedesktop.portal.Screenshot";
// A desktop that asks the learner for permission the first time waits for
// an answer; past this the bars come back in the copy of the X server.
constexpr int kAnswerWaitMs = 15000;

} // namespace

bool Offered()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(QLatin1String(PortalService)))
        return false;
    // The frontend lists an interface only where a backend implements it.
    QDBusInterface properties(QLatin1String(PortalService), QLatin1String(PortalPath),
                              QStringLiteral("org.freedesktop.DBus.Properties"), bus);
    const QDBusReply<QVariant> version =
        properties.call(QStringLiteral("Get"), QLatin1String(kInterface), QStringLiteral("version"));
    return version.isValid();
}

void Take(QObject* owner, std::function<void(const QImage&)> done)
{
    auto once = std::make_shared<std::function<void(const QImage&)>>(std::move(done));
    const auto answer = [once](const QImage& picture) {
        if (!*once)
            return;
        const auto callback = std::move(*once);
        *once = nullptr;
        callback(picture);
    };
    QTimer::singleShot(kAnswerWaitMs, owner, [answer] { answer(QImage()); });
    PortalRequest::send(QDBusConnection::sessionBus(), QLatin1String(kInterface), QStringLiteral("Screenshot"),
                        {QString()}, {{QStringLiteral("interactive"), false}}, owner,
                        [answer](uint response, const QVariantMap& results) {
                            if (response != PortalRequest::Success) {
                                answer(QImage());
                                return;
                            }
                            const QUrl uri(results.value(QStringLiteral("uri")).toString());
                            QImage picture(uri.isLocalFile() ? uri.toLocalFile() : QString());
                            // The picture is ours to keep; the portal leaves the file behind.
                            if (uri.isLocalFile())
                                QFile::remove(uri.toLocalFile());
                            answer(picture);
                        });
}

} // namespace PortalScreenshot
