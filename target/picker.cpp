#include "target/picker.h"

#include "app/state.h"
#include "app/texts.h"
#include "target/title.h"
#include "target/window_search.h"
#include "ui/services.h"

void beginPick(std::uint16_t, std::uint16_t, int) {
    ui::processEvents();
    sys::SetCapture(ui::controlHandle(ControlName::图片框1));
    // The box looks empty while the pointer carries its picture away.
    ui::setPicture(ControlName::图片框1, Bytes());
}

void finishPick(std::uint16_t, std::uint16_t, int) {
    sys::ReleaseCapture();
    ui::processEvents();
    ui::setPicture(ControlName::图片框1, ui::picture(ui::Picture::PickerPicture));
    // Stored before the report, so the tick already sees the new target.
    const sys::Handle target = windowUnderCursor();
    TargetWindow = target;
    std::uint32_t processId = targetProcessId;
    sys::GetWindowThreadProcessId(target, &processId);
    targetProcessId = processId;
    const Text title = readWindowTitle(target);
    const Text handle = intToText(static_cast<std::int32_t>(target));
    const Text prefix = texts::kPickedPrefix, label = texts::kPickedHandle;
    ui::messageBox(joinTexts({&prefix, &title, &label, &handle}));
}
