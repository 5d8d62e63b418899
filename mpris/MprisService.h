// SPDX-License-Identifier: GPL-3.0-or-later
// Publishes a player on the session bus under MPRIS 2: the object
// /org/mpris/MediaPlayer2 with the root interface (org.mpris.MediaPlayer2)
// and the Player interface (org.mpris.MediaPlayer2.Player), under the bus
// name org.mpris.MediaPlayer2.lectorio. The desktop's media keys, headset
// buttons and foot pedals mapped to media keys then reach the player, also
// while its window has no focus.
//
// One segment is one track: its title is "Segment N of M", its album the
// project name, its length that of the file playing. Positions on the bus are
// microseconds.
//
// The methods of the bus are carried out after the call has been answered
// (queued), so that a message box the player shows never holds a caller. The
// player reports its changes with Refresh; the service then sends
// PropertiesChanged for what changed, and Seeked when the position jumped.
//
// GUI thread only. The player must outlive the service.
#pragma once

#include "MprisPlayer.h"

#include <QDBusObjectPath>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>

namespace lectorio {

class CMprisPlayerAdaptor;

class CMprisService : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";
    static constexpr const char* kServiceName = "org.mpris.MediaPlayer2.lectorio";

    explicit CMprisService(MprisPlayer& player, QObject* parent = nullptr);
    ~CMprisService() override;

    // Registers the object and takes the bus name (when another Lectorio holds
    // it, the name with ".instance" and the process id appended, as MPRIS
    // asks). False, with nothing published, when the session has no bus.
    bool Publish();
    // The bus name taken; empty while nothing is published.
    QString ServiceName() const { return serviceName_; }

    // The player's state may have changed; `seeked`: its position jumped.
    // Checked once, after the event being handled.
    void Refresh(bool seeked = false);

    // Root interface.
    void Raise();
    void Quit();
    // Player interface: the methods...
    void PlayPause();
    void Play();
    void Pause();
    void Stop();
    void Next();
    void Previous();
    void Seek(qlonglong offsetUs);
    void SetPosition(const QDBusObjectPath& track, qlonglong positionUs);
    // ...and the properties.
    QString PlaybackStatus() const;
    QVariantMap Metadata() const;
    qlonglong Position() const;
    bool CanSeek() const;
    // The properties that announce their changes, by name.
    QVariantMap ChangingProperties() const;

private:
    void Later(std::function<void()> command);
    void Flush();
    static QDBusObjectPath TrackId(int32_t segment);

    MprisPlayer& player_;
    CMprisPlayerAdaptor* playerAdaptor_ = nullptr;
    QString serviceName_;
    QVariantMap sent_; // the changing properties as the bus last heard them
    bool refreshPending_ = false;
    bool seekedPending_ = false;
};

} // namespace lectorio
