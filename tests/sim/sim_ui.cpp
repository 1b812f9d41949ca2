// Simulated user-interface services: a journal of what was asked, property
// records, and answers the tests choose.
#include <algorithm>
#include <vector>

#include "tests/sim/sim.h"

namespace sim {
UiHooks ui;
Journal journal;
void resetSys();

namespace {
WindowRecord records[2];
std::vector<void (*)()> exitRoutines;

const char* windowLabel(WindowName w) {
    return w == WindowName::MainWindow ? "MainWindow" : "TrayWindow";
}
}  // namespace

void Journal::add(std::string line) {
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.push_back(std::move(line));
}
std::vector<std::string> Journal::lines() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
}
void Journal::clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.clear();
}
bool Journal::contains(const std::string& line) const { return count(line) > 0; }
std::size_t Journal::count(const std::string& line) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<std::size_t>(std::count(lines_.begin(), lines_.end(), line));
}

WindowRecord& record(WindowName window) { return records[static_cast<int>(window)]; }

void reset() {
    resetSys();
    ui = UiHooks{};
    journal.clear();
    for (auto& r : records) {
        r.visible = true;
        r.disabled = false;
        r.windowState = 0;
    }
    exitRoutines.clear();
}

}  // namespace sim

namespace ui {
using sim::journal;

int messageBox(const Text& text) {
    journal.add("messageBox " + text);
    return sim::ui.messageBox ? sim::ui.messageBox(text) : 0;
}
bool inputBox(const Text& prompt, const Text& title, const Text& initialText, Text& variable,
              int mode) {
    journal.add("inputBox " + prompt + " " + title + " " + std::to_string(mode));
    return sim::ui.inputBox ? sim::ui.inputBox(prompt, title, initialText, variable, mode) : false;
}
void setVisible(WindowName w, bool v) {
    sim::record(w).visible = v;
    journal.add(std::string("visible ") + sim::windowLabel(w) + (v ? " 1" : " 0"));
}
void setDisabled(WindowName w, bool d) {
    sim::record(w).disabled = d;
    journal.add(std::string("disabled ") + sim::windowLabel(w) + (d ? " 1" : " 0"));
}
void setCaption(WindowName w, const Text& c) {
    journal.add(std::string("caption ") + sim::windowLabel(w) + " " + c);
}
int getWindowState(WindowName w) {
    return sim::ui.getWindowState ? sim::ui.getWindowState(w) : sim::record(w).windowState.load();
}
void setWindowState(WindowName w, int s) {
    journal.add(std::string("windowState ") + sim::windowLabel(w) + " " + std::to_string(s));
}
Text getText(ControlName c) { return sim::ui.getText ? sim::ui.getText(c) : Text(); }
void setPicture(ControlName, const Bytes& p) {
    journal.add("picture " + std::to_string(p.size()));
}
void setPeriod(ControlName, std::int32_t ms) { journal.add("period " + std::to_string(ms)); }
sys::Handle controlHandle(ControlName c) { return 0x500 + static_cast<sys::Handle>(c); }
bool loadWindow(WindowName w) {
    journal.add(std::string("load ") + sim::windowLabel(w));
    return sim::ui.loadWindow ? sim::ui.loadWindow(w) : true;
}
bool isLoaded(WindowName) { return true; }
void setTrayIcon(WindowName w, const Bytes& icon, const Text& tip) {
    journal.add(std::string("trayIcon ") + sim::windowLabel(w) + " " + std::to_string(icon.size()) +
                " " + tip);
}
void popupTrayMenu(WindowName w) { journal.add(std::string("popup ") + sim::windowLabel(w)); }
void processEvents() {
    journal.add("processEvents");
    if (sim::ui.processEvents) sim::ui.processEvents();
}
int runMessageLoop() { return 0; }
void endProgram(int exitCode) {
    journal.add("endProgram " + std::to_string(exitCode));
    if (sim::ui.endProgram) sim::ui.endProgram(exitCode);
    throw sim::ProgramEnded{exitCode};
}
void registerExitRoutine(void (*routine)()) {
    if (std::find(sim::exitRoutines.begin(), sim::exitRoutines.end(), routine) ==
        sim::exitRoutines.end())
        sim::exitRoutines.push_back(routine);
}
void runExitRoutines() {
    for (auto r : sim::exitRoutines) r();
}
std::int32_t uptimeMs() { return sim::ui.uptimeMs ? sim::ui.uptimeMs() : 0; }

}  // namespace ui

namespace ui {
// Stand-ins of the stored pictures, with their real sizes.
const Bytes& picture(Picture which) {
    static const Bytes picker(67646, 0x11), tray(1150, 0x22);
    return which == Picture::PickerPicture ? picker : tray;
}
}  // namespace ui
