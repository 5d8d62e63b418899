// SPDX-License-Identifier: GPL-3.0-or-later
#include "MprisService.h"

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>

namespace lectorio {

namespace {

const char* const kPlayerInterface = "org.mpris.MediaPlayer2.Player";

// Whether the user's session has a bus. Without one, the D-Bus library would
// start a bus of its own through X11, which no media-key service listens on.
bool SessionBusRunning() {
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
}

} // namespace

class CMprisRootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ CanQuit)
    Q_PROPERTY(bool CanRaise READ CanRaise)
    Q_PROPERTY(bool HasTrackList READ HasTrackList)
    Q_PROPERTY(QString Identity READ Identity)
    Q_PROPERTY(QString DesktopEntry READ DesktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes)
public:
    explicit CMprisRootAdaptor(CMprisService* service) : QDBusAbstractAdaptor(service), service_(service) {}
    bool CanQuit() const { return true; }
    bool CanRaise() const { return true; }
    bool HasTrackList() const { return false; }
    QString Identity() const { return QStringLiteral("Lectorio"); }
    QString DesktopEntry() const { return QStringLiteral("io.github.lectorio.Lectorio"); }
    QStringList SupportedUriSchemes() const { return {}; }
    QStringList SupportedMimeTypes() const { return {}; }

public slots:
    void Raise() { service_->Raise(); }
    void Quit() { service_->Quit(); }

private:
    CMprisService* service_;
};

class CMprisPlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
    Q_PROPERTY(double Rate READ Rate)
    Q_PROPERTY(double MinimumRate READ Rate)
    Q_PROPERTY(double MaximumRate READ Rate)
    Q_PROPERTY(double Volume READ Volume)
    Q_PROPERTY(QVariantMap Metadata READ Metadata)
    Q_PROPERTY(qlonglong Position READ Position)
    Q_PROPERTY(bool CanGoNext READ CanGoNext)
    Q_PROPERTY(bool CanGoPrevious READ CanGoPrevious)
    Q_PROPERTY(bool CanPlay READ CanPlay)
    Q_PROPERTY(bool CanPause READ CanPause)
    Q_PROPERTY(bool CanSeek READ CanSeek)
    Q_PROPERTY(bool CanControl READ CanControl)
public:
    explicit CMprisPlayerAdaptor(CMprisService* service) : QDBusAbstractAdaptor(service), service_(service) {}
    QString PlaybackStatus() const { return service_->PlaybackStatus(); }
    // Time runs at its normal pace in the file that plays, the slow version included.
    double Rate() const { return 1.0; }
    // The master volume has its own slider and is not offered here.
    double Volume() const { return 1.0; }
    QVariantMap Metadata() const { return service_->Metadata(); }
    qlonglong Position() const { return service_->Position(); }
    bool CanGoNext() const { return Changing("CanGoNext"); }
    bool CanGoPrevious() const { return Changing("CanGoPrevious"); }
    bool CanPlay() const { return Changing("CanPlay"); }
    bool CanPause() const { return Changing("CanPause"); }
    bool CanSeek() const { return service_->CanSeek(); }
    bool CanControl() const { return true; }

public slots:
    void PlayPause() { service_->PlayPause(); }
    void Play() { service_->Play(); }
    void Pause() { service_->Pause(); }
    void Stop() { service_->Stop(); }
    void Next() { service_->Next(); }
    void Previous() { service_->Previous(); }
    void Seek(qlonglong Offset) { service_->Seek(Offset); }
    void SetPosition(const QDBusObjectPath& TrackId, qlonglong Position) {
        service_->SetPosition(TrackId, Position);
    }
    void OpenUri(const QString&) {}

signals:
    void Seeked(qlonglong Position);

private:
    bool Changing(const char* name) const { return service_->ChangingProperties().value(name).toBool(); }

    CMprisService* service_;
};

CMprisService::CMprisService(MprisPlayer& player, QObject* parent) : QObject(parent), player_(player) {
    new CMprisRootAdaptor(this);
    playerAdaptor_ = new CMprisPlayerAdaptor(this);
}

CMprisService::~CMprisService() {
    if (serviceName_.isEmpty())
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterService(serviceName_);
    bus.unregisterObject(QString::fromLatin1(kObjectPath));
}

bool CMprisService::Publish() {
    if (!serviceName_.isEmpty())
        return true;
    if (!SessionBusRunning())
        return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() ||
        !bus.registerObject(QString::fromLatin1(kObjectPath), this, QDBusConnection::ExportAdaptors))
        return false;
    const QString name = QString::fromLatin1(kServiceName);
    for (const QString& candidate :
         {name, name + QStringLiteral(".instance%1").arg(QCoreApplication::applicationPid())}) {
        if (bus.registerService(candidate)) {
            serviceName_ = candidate;
            sent_ = ChangingProperties();
            return true;
        }
    }
    bus.unregisterObject(QString::fromLatin1(kObjectPath));
    return false;
}

void CMprisService::Refresh(bool seeked) {
    seekedPending_ = seekedPending_ || seeked;
    if (refreshPending_ || serviceName_.isEmpty())
        return;
    refreshPending_ = true;
    QMetaObject::invokeMethod(this, &CMprisService::Flush, Qt::QueuedConnection);
}

void CMprisService::Flush() {
    refreshPending_ = false;
    const QVariantMap now = ChangingProperties();
    QVariantMap changed;
    for (auto it = now.begin(); it != now.end(); ++it)
        if (sent_.value(it.key()) != it.value())
            changed.insert(it.key(), it.value());
    sent_ = now;
    if (!changed.isEmpty()) {
        QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(kObjectPath),
                                                         QStringLiteral("org.freedesktop.DBus.Properties"),
                                                         QStringLiteral("PropertiesChanged"));
        signal << QString::fromLatin1(kPlayerInterface) << changed << QStringList();
        QDBusConnection::sessionBus().send(signal);
    }
    if (seekedPending_) {
        seekedPending_ = false;
        emit playerAdaptor_->Seeked(Position());
    }
}

void CMprisService::Later(std::function<void()> command) {
    QMetaObject::invokeMethod(this, std::move(command), Qt::QueuedConnection);
}

void CMprisService::Raise() {
    Later([this] { player_.Raise(); });
}

void CMprisService::Quit() {
    Later([this] { player_.Quit(); });
}

// Play and Pause act on the state found when the command runs. At the end of
// the file the player still counts as playing, but nothing sounds: play
// starts the segment again there.
void CMprisService::PlayPause() {
    Later([this] {
        const MprisState state = player_.State();
        if (state.status == MprisStatus::Paused || (state.status == MprisStatus::Playing && !state.atEnd))
            player_.PauseOrContinue();
        else if (state.canPlay)
            player_.Play();
    });
}

void CMprisService::Play() {
    Later([this] {
        const MprisState state = player_.State();
        if (state.status == MprisStatus::Paused)
            player_.PauseOrContinue();
        else if ((state.status == MprisStatus::Stopped || state.atEnd) && state.canPlay)
            player_.Play();
    });
}

void CMprisService::Pause() {
    Later([this] {
        const MprisState state = player_.State();
        if (state.status == MprisStatus::Playing && !state.atEnd)
            player_.PauseOrContinue();
    });
}

// There is no stopped state to keep: stopping pauses, and continuing goes on
// from there.
void CMprisService::Stop() {
    Pause();
}

void CMprisService::Next() {
    Later([this] {
        if (player_.State().canGoNext)
            player_.Next();
    });
}

void CMprisService::Previous() {
    Later([this] {
        if (player_.State().canGoPrevious)
            player_.Previous();
    });
}

// Seeking stays within the segment: an offset past either end stops there.
void CMprisService::Seek(qlonglong offsetUs) {
    Later([this, offsetUs] {
        if (!CanSeek())
            return;
        const int64_t target = player_.PositionMs() + offsetUs / 1000;
        player_.SeekTo(std::clamp<int64_t>(target, 0, player_.State().lengthMs));
    });
}

void CMprisService::SetPosition(const QDBusObjectPath& track, qlonglong positionUs) {
    Later([this, track, positionUs] {
        const MprisState state = player_.State();
        // A position for another track, or outside this one, is ignored.
        if (!CanSeek() || track != TrackId(state.segment) || positionUs < 0 ||
            positionUs / 1000 > state.lengthMs)
            return;
        player_.SeekTo(positionUs / 1000);
    });
}

QString CMprisService::PlaybackStatus() const {
    switch (player_.State().status) {
    case MprisStatus::Playing:
        return QStringLiteral("Playing");
    case MprisStatus::Paused:
        return QStringLiteral("Paused");
    case MprisStatus::Stopped:
        break;
    }
    return QStringLiteral("Stopped");
}

QDBusObjectPath CMprisService::TrackId(int32_t segment) {
    if (segment <= 0)
        return QDBusObjectPath(QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack"));
    return QDBusObjectPath(QStringLiteral("/io/github/lectorio/Lectorio/segment/%1").arg(segment));
}

QVariantMap CMprisService::Metadata() const {
    const MprisState state = player_.State();
    QVariantMap metadata;
    metadata.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(TrackId(state.segment)));
    if (state.segment <= 0)
        return metadata;
    metadata.insert(QStringLiteral("xesam:title"),
                    QStringLiteral("Segment %1 of %2").arg(state.segment).arg(state.segmentCount));
    metadata.insert(QStringLiteral("xesam:album"), state.projectName);
    metadata.insert(QStringLiteral("mpris:length"), qlonglong{state.lengthMs * 1000});
    return metadata;
}

qlonglong CMprisService::Position() const {
    return qlonglong{player_.PositionMs() * 1000};
}

bool CMprisService::CanSeek() const {
    const MprisState state = player_.State();
    return state.status != MprisStatus::Stopped && state.segment > 0;
}

QVariantMap CMprisService::ChangingProperties() const {
    const MprisState state = player_.State();
    return {{QStringLiteral("PlaybackStatus"), PlaybackStatus()},
            {QStringLiteral("Metadata"), Metadata()},
            {QStringLiteral("CanGoNext"), state.canGoNext},
            {QStringLiteral("CanGoPrevious"), state.canGoPrevious},
            {QStringLiteral("CanPlay"), state.canPlay},
            {QStringLiteral("CanPause"), state.canPause},
            {QStringLiteral("CanSeek"), CanSeek()}};
}

} // namespace lectorio

#include "MprisService.moc"
