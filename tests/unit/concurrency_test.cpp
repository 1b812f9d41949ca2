// The shared state under the threads that really share it: the enforcement
// worker, the GUI thread's tick and several F2 prompts at once. Written for
// the ThreadSanitizer build, where any unsynchronised access fails the run;
// the plain and ASan builds check the same outcome.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "app/state.h"
#include "lock/enforcer.h"
#include "lock/idle_tick.h"
#include "lock/unlock.h"
#include "tests/sim/state_fixture.h"

namespace {

class ConcurrencyTest : public sim::StateTest {};

// Which answer the prompt on this thread types.
thread_local const char* typed = "";

TEST_F(ConcurrencyTest, WorkerTickAndPromptsShareTheStateSafely) {
    std::atomic<std::int32_t> uptime{1000};
    std::atomic<int> hides{0};
    std::atomic<int> comparisons{0};
    sim::ui.getText = [](ControlName c) -> Text {
        // A fresh copy every tick, so the tick replaces the shared one.
        return c == ControlName::编辑框1 ? Text("s3cret") : Text("0");
    };
    sim::ui.uptimeMs = [&] { return uptime.load(); };
    sim::sys.GetLastInputInfo = [](sys::LastInputInfo* info) {
        info->dwTime = 1000 - 1;  // away for 1 ms at first
        return sys::Bool{1};
    };
    sim::sys.ShowWindowAsync = [&](sys::Handle, std::int32_t) {
        ++hides;
        return sys::Bool{1};
    };
    sim::ui.inputBox = [&](const Text&, const Text&, const Text&, Text& v, int) {
        v = typed;
        ++comparisons;
        return true;
    };

    TargetWindow = 0x100;
    idleTick();  // away beyond a limit of 0: the real worker starts
    ASSERT_EQ(LockState, Locked);
    const sys::Handle worker = enforcerThread;
    ASSERT_TRUE(sim::threadRunning(worker));
    uptime = 999;  // the user is back: no tick locks again

    std::atomic<bool> granted{false};
    std::vector<std::thread> prompts;
    for (const char* wrong : {"S3cret", "s3cret ", "", "s3cre"}) {
        prompts.emplace_back([wrong] {
            typed = wrong;
            for (int i = 0; i < 200; ++i) {
                unlockPrompt(1000001);
                // Compare as the prompt does, against a copy held meanwhile.
                const auto password = readPasswordText();
                EXPECT_FALSE(textsEqual(*password, wrong));
            }
        });
    }
    prompts.emplace_back([&] {
        typed = "s3cret";
        // Let the others and the worker get going first.
        sim::waitUntil([&] { return comparisons >= 100 && hides >= 100; });
        unlockPrompt(1000001);
        granted = true;
    });

    // The GUI thread ticks all the while, moving the target around.
    int ticks = 0;
    const bool done = sim::waitUntil([&] {
        TargetWindow = (ticks % 2) ? 0x100 : 0x200;
        idleTick();
        ++ticks;
        return ticks >= 300 && granted;
    });
    for (auto& t : prompts) t.join();
    ASSERT_TRUE(done) << "the right password never got through";

    idleTick();  // whatever the state was left in, it settles now
    EXPECT_EQ(LockState, Idle);
    EXPECT_FALSE(sim::threadRunning(worker));
    EXPECT_GT(hides, 0);
    EXPECT_FALSE(sim::record(WindowName::MainWindow).disabled);
    EXPECT_TRUE(sim::record(WindowName::MainWindow).visible);

    // The one restore came after the worker's last write, and nothing
    // disabled MainWindow again afterwards.
    const auto lines = sim::journal.lines();
    ASSERT_EQ(std::count(lines.begin(), lines.end(), "disabled MainWindow 0"), 1);
    const auto restore = std::find(lines.begin(), lines.end(), "disabled MainWindow 0");
    EXPECT_EQ(std::find(restore, lines.end(), "disabled MainWindow 1"), lines.end());
    EXPECT_EQ(std::find(restore, lines.end(), "visible MainWindow 0"), lines.end());
}

}  // namespace
