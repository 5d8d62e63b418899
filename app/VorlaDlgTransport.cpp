// Playback: the device, the transport buttons, the position display and the
// speed and volume sliders.
//
// Stand-ins until the playback code lands: nothing is played, every device
// operation reports failure without a message, and the window's controls are
// left as the moves set them.
#include "VorlaDlg.h"

#include <QSlider>
#include <QTimerEvent>

namespace lectorio {

struct TransportData {};

void TransportDataDeleter::operator()(TransportData* data) const {
    delete data;
}

QSlider* CVorlaDlg::CreateVolumeSlider(QWidget* parent) {
    auto* slider = new QSlider(Qt::Vertical, parent);
    slider->setTickPosition(QSlider::NoTicks);
    return slider;
}

void CVorlaDlg::InitPlayback() {
    transport.reset(new TransportData);
    volumeSlider->setEnabled(true);
}

bool CVorlaDlg::SendMciCommand(const std::string& command, std::string* answer) {
    (void)command;
    if (answer)
        answer->clear();
    return false;
}

bool CVorlaDlg::OpenAndPlay() {
    return false;
}

bool CVorlaDlg::CloseDevice() {
    return false;
}

bool CVorlaDlg::PauseDevice() {
    return false;
}

bool CVorlaDlg::ResumeDevice() {
    return false;
}

void CVorlaDlg::SeekDevice(int64_t positionMs) {
    (void)positionMs;
}

void CVorlaDlg::MeasureLength() {}

void CVorlaDlg::StopAndReset() {}

void CVorlaDlg::ResetPositionDisplay(int64_t lengthMs) {
    (void)lengthMs;
}

void CVorlaDlg::OnTimer() {}

void CVorlaDlg::timerEvent(QTimerEvent* event) {
    if (event->timerId() == positionTimer.timerId()) {
        OnTimer();
        return;
    }
    QDialog::timerEvent(event);
}

void CVorlaDlg::OnPlay() {}

void CVorlaDlg::OnPause() {}

void CVorlaDlg::StopPlayback() {}

void CVorlaDlg::PlaySlowVersion() {}

void CVorlaDlg::OnHScroll(int action) {
    (void)action;
}

void CVorlaDlg::OnVolumeReleased() {}

} // namespace lectorio
