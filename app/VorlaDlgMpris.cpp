// SPDX-License-Identifier: GPL-3.0-or-later
// The main window as an MPRIS 2 player: the service (mpris/) asks the window
// for its state and maps the bus's methods onto the window's own commands, so
// that a media key does what the same button or key does. The window tells
// the service of changes through PlayerChanged.
#include "VorlaDlg.h"

#include "MprisService.h"

#include <QPushButton>
#include <QSlider>

namespace lectorio {

// A friend of the window: it reads the window's state and controls.
class DlgMprisPlayer : public MprisPlayer {
public:
    explicit DlgMprisPlayer(CVorlaDlg& dialog) : dialog_(dialog) {}

    MprisState State() const override {
        MprisState result;
        // During a run the worker owns the project state: nothing is offered.
        if (dialog_.IsRunActive())
            return result;
        const QSlider& position = *dialog_.positionSlider;
        switch (dialog_.playbackState) {
        case PlaybackState::Playing:
            result.status = MprisStatus::Playing;
            result.atEnd = position.value() == position.maximum();
            break;
        case PlaybackState::Paused:
            result.status = MprisStatus::Paused;
            break;
        case PlaybackState::Closed:
            break;
        }
        const ProjectState& state = dialog_.state;
        result.segment = state.projectOpen ? state.currentSegment : 0;
        result.segmentCount = state.segmentCount;
        result.projectName = QString::fromStdString(state.projectName);
        result.lengthMs = position.maximum();
        result.canGoNext = state.projectOpen && dialog_.nextButton->isEnabled();
        result.canGoPrevious = state.projectOpen && dialog_.previousButton->isEnabled();
        result.canPlay = state.projectOpen && dialog_.playButton->isEnabled();
        result.canPause = state.projectOpen && dialog_.pauseButton->isEnabled();
        return result;
    }

    int64_t PositionMs() const override { return dialog_.PlaybackPositionMs(); }
    void Play() override { dialog_.OnPlay(); }
    void PauseOrContinue() override { dialog_.OnPause(); }
    void Next() override { dialog_.OnNextSegment(); }
    void Previous() override { dialog_.OnPreviousSegment(); }
    void SeekTo(int64_t positionMs) override { dialog_.SeekWithinSegment(positionMs); }

    void Raise() override {
        if (dialog_.isMinimized())
            dialog_.showNormal();
        dialog_.raise();
        dialog_.activateWindow();
    }

    void Quit() override { dialog_.close(); }

private:
    CVorlaDlg& dialog_;
};

struct MprisData {
    explicit MprisData(CVorlaDlg& dialog) : player(dialog), service(player) {}
    DlgMprisPlayer player;
    CMprisService service;
};

void MprisDataDeleter::operator()(MprisData* data) const {
    delete data;
}

bool CVorlaDlg::PublishMpris() {
    if (mpris_)
        return true;
    std::unique_ptr<MprisData, MprisDataDeleter> data(new MprisData(*this));
    if (!data->service.Publish())
        return false;
    mpris_ = std::move(data);
    return true;
}

QString CVorlaDlg::MprisServiceName() const {
    return mpris_ ? mpris_->service.ServiceName() : QString();
}

void CVorlaDlg::PlayerChanged(bool positionJumped) {
    if (mpris_)
        mpris_->service.Refresh(positionJumped);
}

} // namespace lectorio
