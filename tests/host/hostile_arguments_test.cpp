// Every command called with hostile arguments: the ends of the integer range, screens without
// a window or of width 0, positions and copy areas anywhere, variables without storage or
// whose storage ends at a page that cannot be read, texts naming nothing. The call wrapper
// fails any result the results table does not list, so the probe needs no expectation of
// its own: it must finish, and every answer must be a documented one. It runs in a child
// process, as it leaves settings behind that other tests would meet.
#include <cstring>
#include <string>
#include <vector>

#include "host_fixture.h"
#include "script.h"

namespace qv::test {
namespace {

TEST(DISABLED_HostileArgumentsChild, EveryCommandAnswersWithADocumentedResult) {
    HostScreen full(64, 48, false, "qv hostile"), palette(64, 48, true, "qv hostile 8");
    host::BMSCR windowless = *full.record(), narrow = *full.record();
    windowless.hwnd = 0;
    narrow.width = 0;  // no pixel in a row (its buffer is the full screen's, so nothing lies past it)
    host::BMSCR* screens[] = {full.record(), palette.record(), &windowless, &narrow};
    HostVar ints = HostVar::ints(4), text = HostVar::text(16), big = HostVar::text(2048, 3), extreme = HostVar::ints(64);
    host::PVAL empty_ints{host::kInteger, 0, {}, 0, 0, 0}, empty_text{host::kString, 0, {}, 0, 0, 0};
    // No zero byte: a text ends with the storage.
    GuardedVar guarded_text(host::kString, "qv-guard"), guarded_ints(host::kInteger, "qv-guard");
    // Writable, as the host's texts are: the archive commands cut their locator at its comma.
    char texts[3][64] = {"", "C:\\qv-no-such-folder\\x.jpg", "a,-5"};
    std::vector<uint8_t> buffer(1024);
    const int32_t values[] = {0, 1, -1, 3, 255, 256, 65535, 0x7FFFFFFF, INT32_MIN, 2, -2};
    constexpr int kProfiles = 2 * std::size(values);
    for (const run::CommandInfo& c : run::command_table()) {
        if (waits(c.name)) continue;
        std::printf("probe: %s\n", c.name);  // the last one named is the one that fell
        for (int p = 0; p < kProfiles; ++p) {
            host::PVAL* vars[] = {ints.record(), text.record(), big.record(), &empty_ints, &empty_text,
                                  guarded_text.record(), guarded_ints.record(), extreme.record()};
            // Point lists and numbers at the ends of the range.
            for (int i = 0; i < 64; ++i) extreme.ints()[i] = values[(p + i) % std::size(values)];
            extreme.record()->type = host::kInteger;
            std::fill(buffer.begin(), buffer.end(), 0);
            // Positions and copy areas anywhere, the ends of the integer range included.
            for (host::BMSCR* s : screens) {
                s->cursor_x = values[p % std::size(values)];
                s->cursor_y = values[(p + 3) % std::size(values)];
                s->area_width = values[(p + 5) % std::size(values)];
                s->area_height = values[(p + 7) % std::size(values)];
            }
            std::fill(ints.ints(), ints.ints() + 4, 0);
            int32_t words[4];
            for (int i = 0; i < 4; ++i) {
                switch (c.kinds[i]) {
                    case Kind::SCR: words[i] = word(screens[(p + i) % std::size(screens)]); break;
                    case Kind::VAR: words[i] = word(vars[(p + i) % std::size(vars)]); break;
                    case Kind::STR:
                    case Kind::WSTR: {
                        char* t = texts[(p + i) % std::size(texts)];
                        if (t[0] == 'a') std::strcpy(t, "a,-5");
                        words[i] = word(p % 7 == 6 ? nullptr : t);
                        break;
                    }
                    case Kind::PTR: words[i] = word(p % 5 == 4 ? nullptr : buffer.data()); break;
                    default: words[i] = values[(p + (p / int(std::size(values))) * i) % std::size(values)]; break;
                }
            }
            std::printf("  %d %d %d %d\n", words[0], words[1], words[2], words[3]);
            call_words(c.name, words[0], words[1], words[2], words[3]);
            // The popup slots and the priority are put back at once: a menu would wait for a
            // person, a raised priority would slow the machine.
            if (std::string(c.name) == "CreatePopup") call("DestroyPopup", 0);
            if (std::string(c.name) == "SetPriority") call("SetPriority", 0, 0);
            if (HasFailure()) return;
        }
        pump_messages();
    }
    call("MMCountOff");
    call("DDDecline");
}

TEST(HostileArguments, EveryCommandAnswersWithADocumentedResult) {
    // In a folder of its own: the commands that write files write them where they are told,
    // and the texts here name files relative to it.
    TempDir dir;
    const auto r = run_process("\"" + exe_folder() + "qv_host_tests.exe\" --gtest_also_run_disabled_tests "
                               "--gtest_filter=DISABLED_HostileArgumentsChild.*",
                               300000, dir.path());
    EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
}

}  // namespace
}  // namespace qv::test
