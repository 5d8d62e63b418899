// SPDX-License-Identifier: GPL-3.0-or-later
#include "MasterOutputVolume.h"

#include "SinkVolumeControl.h"

namespace lectorio {

CMasterOutputVolume::CMasterOutputVolume() : control_(ConnectSinkVolumeControl()) {}

CMasterOutputVolume::~CMasterOutputVolume() = default;

bool CMasterOutputVolume::IsAvailable() {
    return control_ && control_->Query().has_value();
}

void CMasterOutputVolume::Enable() {
    if (control_)
        control_->SetMute(false);
}

void CMasterOutputVolume::Disable() {
    if (control_)
        control_->SetMute(true);
}

int64_t CMasterOutputVolume::GetSteps() {
    const auto sink = control_ ? control_->Query() : std::nullopt;
    return sink ? static_cast<int64_t>(sink->steps) : -1;
}

int64_t CMasterOutputVolume::GetMinimum() {
    return IsAvailable() ? 0 : -1;
}

int64_t CMasterOutputVolume::GetMaximum() {
    const auto sink = control_ ? control_->Query() : std::nullopt;
    return sink ? static_cast<int64_t>(sink->normalVolume) : -1;
}

int64_t CMasterOutputVolume::GetVolume() {
    const auto sink = control_ ? control_->Query() : std::nullopt;
    return sink ? static_cast<int64_t>(sink->volume) : -1;
}

void CMasterOutputVolume::SetVolume(int64_t value) {
    const auto sink = control_ ? control_->Query() : std::nullopt;
    if (!sink || value < 0 || value > static_cast<int64_t>(sink->normalVolume))
        return;
    control_->SetVolume(static_cast<uint32_t>(value));
}

void CMasterOutputVolume::SetChangeListener(ChangeListener listener, uint32_t userValue, Executor executor) {
    if (!control_)
        return;
    if (!listener) {
        control_->SetOnChange({});
        return;
    }
    // The callback owns copies of everything it uses, so a task still queued
    // in the executor after this object is gone stays harmless.
    control_->SetOnChange(
        [listener = std::move(listener), userValue, executor = std::move(executor)](uint32_t volume) {
            if (executor)
                executor([listener, volume, userValue] { listener(volume, userValue); });
            else
                listener(volume, userValue);
        });
}

} // namespace lectorio
