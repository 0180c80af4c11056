#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#endif

#include "settings/settings_store.h"
#include "settings_fixture.h"

namespace {

using Strings = std::vector<std::string>;

class SettingsFileTest : public SettingsTest {
protected:
    // Writes `bytes` as the settings file and loads it.
    bool load(const std::string& bytes) {
        write_file(file, bytes);
        return load_settings_file(file.c_str());
    }

    ScratchFolder scratch;
    std::string file = scratch.file("settings.cfg");
};

// ---- Reading ----

TEST_F(SettingsFileTest, MissingFileGivesFalseAndEmptyStore) {
    set_setting("left", "over");
    EXPECT_FALSE(load_settings_file(file.c_str()));
    EXPECT_EQ(settings_store.pair_count, 0);
    set_setting("left", "over");
    EXPECT_FALSE(load_settings_file(nullptr));
    EXPECT_EQ(settings_store.pair_count, 0);
}

// A file that is there but cannot be read whole is neither missing nor read:
// in its place a folder, which Windows does not open and whose first read
// fails elsewhere. Nothing of it is kept, and the reader tells it apart.
TEST_F(SettingsFileTest, AFileThatCannotBeReadWholeIsNotTakenForOne) {
    EXPECT_EQ(read_settings_file(file.c_str()), FileRead::missing);
    std::filesystem::create_directory(file);
    set_setting("left", "over");
    EXPECT_FALSE(load_settings_file(file.c_str()));
    EXPECT_EQ(read_settings_file(file.c_str()), FileRead::unreadable);
    EXPECT_EQ(settings_store.pair_count, 0);
    std::filesystem::remove(file);
    EXPECT_TRUE(load("app.left\t10\n"));
    EXPECT_EQ(read_settings_file(file.c_str()), FileRead::read);
}

TEST_F(SettingsFileTest, EmptyFileGivesTrueAndEmptyStore) {
    set_setting("left", "over");
    EXPECT_TRUE(load(""));
    EXPECT_EQ(settings_store.pair_count, 0);
}

TEST_F(SettingsFileTest, RepeatedKeyKeepsFirstPlaceAndLastValue) {
    EXPECT_TRUE(load("app.left\t10\napp.top\t5\napp.left\t20\n"));
    EXPECT_EQ(stored_pairs(), (Strings{"app.left=20", "app.top=5"}));
}

TEST_F(SettingsFileTest, ValueKeepsTabsBlanksAndCarriageReturn) {
    EXPECT_TRUE(load("graph.theme\tZombie\tMocha\n a \t  spaced  \napp.left\t10\r\n"));
    EXPECT_EQ(stored_pairs(), (Strings{"graph.theme=Zombie\tMocha", " a =  spaced  ", "app.left=10\r"}));
}

TEST_F(SettingsFileTest, LeadingTabsBeforeKeyAreDropped) {
    EXPECT_TRUE(load("\t\tgraph.delay\t500\n"));
    EXPECT_EQ(stored_pairs(), (Strings{"graph.delay=500"}));
}

TEST_F(SettingsFileTest, PiecesWithoutKeyOrValueAreSkipped) {
    EXPECT_TRUE(
        load("\n"
             "no tab here\n"
             "empty.value\t\n"
             "\t\t\t\n"
             "kept\t1\n"
             "\t\n"
             "last.line.ends.at.tab\t"));
    EXPECT_EQ(stored_pairs(), (Strings{"kept=1"}));
}

TEST_F(SettingsFileTest, LastLineWithoutLineFeedIsRead) {
    EXPECT_TRUE(load("a\t1\nb\t2"));
    EXPECT_EQ(stored_pairs(), (Strings{"a=1", "b=2"}));
}

TEST_F(SettingsFileTest, ZeroByteEndsThePiece) {
    using namespace std::string_literals;
    EXPECT_TRUE(
        load("a\tb\0c\n"s
             "ke\0y\t1\n"s
             "\0x\ty\n"s
             "d\t4\n"s));
    EXPECT_EQ(stored_pairs(), (Strings{"a=b", "d=4"}));
}

// An editor's "UTF-8 with BOM" must not hide the first key; only a whole
// mark at the very start is taken away.
TEST_F(SettingsFileTest, LeadingByteOrderMarkIsSkipped) {
    const std::string mark = "\xEF\xBB\xBF", half_mark = mark.substr(0, 2);
    const struct {
        std::string bytes;
        Strings pairs;
    } cases[] = {
        {mark + "app.left\t10\napp.top\t5\n", {"app.left=10", "app.top=5"}},
        {mark, {}},
        {half_mark + "app.left\t10\n", {half_mark + "app.left=10"}},
        {"app.left\t10\n" + mark + "app.top\t5\n", {"app.left=10", mark + "app.top=5"}},
    };
    for (const auto& entry : cases) {
        EXPECT_TRUE(load(entry.bytes));
        EXPECT_EQ(stored_pairs(), entry.pairs) << entry.bytes;
    }
    // A key that begins with the mark keeps it through a save and a load.
    EXPECT_TRUE(load("\t" + mark + "p\t1\n"));
    ASSERT_TRUE(save_settings_file(file.c_str()));
    EXPECT_TRUE(load_settings_file(file.c_str()));
    EXPECT_EQ(stored_pairs(), (Strings{mark + "p=1"}));
}

TEST_F(SettingsFileTest, LongLineIsReadIn1023BytePieces) {
    // 1100 bytes with the LF: a piece of 1023 bytes and one of 77.
    std::string line = "k\t" + std::string(1097, 'v') + "\n";
    ASSERT_EQ(line.size(), 1100u);
    EXPECT_TRUE(load(line + "after\t1\n"));
    EXPECT_EQ(stored_pairs(), (Strings{"k=" + std::string(1021, 'v'), "after=1"}));

    // A TAB in the second piece makes it a pair of its own.
    EXPECT_TRUE(load("k\t" + std::string(1021, 'v') + "tail\tend\n"));
    EXPECT_EQ(stored_pairs(), (Strings{"k=" + std::string(1021, 'v'), "tail=end"}));
}

TEST_F(SettingsFileTest, StopsWhenStoreRunsOutOfMemory) {
    write_file(file, "a\t1\nb\t2\nc\t3\n");
    // The array, then a key and a value for each pair: the second value fails.
    AllocationLimit limit(4);
    EXPECT_FALSE(load_settings_file(file.c_str()));
    EXPECT_EQ(stored_pairs(), (Strings{"a=1"}));
}

// ---- Writing ----

TEST_F(SettingsFileTest, EmptyStoreSavesAnEmptyFile) {
    ASSERT_TRUE(save_settings_file(file.c_str()));
    EXPECT_TRUE(std::filesystem::exists(file));
    EXPECT_EQ(read_file(file), "");
    EXPECT_EQ(scratch.contents(), (Strings{"settings.cfg"}));
}

TEST_F(SettingsFileTest, SavesPairsInStoreOrder) {
    set_setting("app.left", "1");
    set_setting("graph.theme", "Zombie Mocha");
    set_setting("", "empty key");
    set_setting("app.left", "-3");
    ASSERT_TRUE(save_settings_file(file.c_str()));
    EXPECT_EQ(read_file(file), "app.left\t-3\ngraph.theme\tZombie Mocha\n\tempty key\n");
}

TEST_F(SettingsFileTest, SaveReplacesOldFileAndLeavesNoTemporary) {
    write_file(file, "old\tcontent that is longer than the new one\n");
    set_setting("new", "1");
    ASSERT_TRUE(save_settings_file(file.c_str()));
    EXPECT_EQ(read_file(file), "new\t1\n");
    ASSERT_TRUE(save_settings_file(file.c_str()));
    EXPECT_EQ(read_file(file), "new\t1\n");
    EXPECT_EQ(scratch.contents(), (Strings{"settings.cfg"}));
}

TEST_F(SettingsFileTest, EmptyValueDoesNotSurviveSaveAndLoad) {
    set_setting("device.in", "");
    set_setting("device.out", "eth0");
    ASSERT_TRUE(save_settings_file(file.c_str()));
    EXPECT_EQ(read_file(file), "device.in\t\ndevice.out\teth0\n");
    EXPECT_TRUE(load_settings_file(file.c_str()));
    EXPECT_EQ(stored_pairs(), (Strings{"device.out=eth0"}));
}

TEST_F(SettingsFileTest, LoadThenSaveKeepsTheBytes) {
    const std::string bytes = "app.left\t10\nunknown.key\tkept as is\r\ngraph.theme\tA\tB\n";
    EXPECT_TRUE(load(bytes));
    std::string copy = scratch.file("copy.cfg");
    ASSERT_TRUE(save_settings_file(copy.c_str()));
    EXPECT_EQ(read_file(copy), bytes);
}

TEST_F(SettingsFileTest, SaveIntoMissingFolderCreatesNothing) {
    set_setting("a", "1");
    std::string inside = scratch.file("missing") + "/settings.cfg";
    EXPECT_FALSE(save_settings_file(inside.c_str()));
    EXPECT_TRUE(scratch.contents().empty());
}

TEST_F(SettingsFileTest, FailedReplaceLeavesTargetAndNoTemporary) {
    // A folder in the target's place cannot be replaced by a file.
    std::filesystem::create_directory(file);
    write_file(scratch.file("settings.cfg/inner"), "x");
    set_setting("a", "1");
    EXPECT_FALSE(save_settings_file(file.c_str()));
    EXPECT_TRUE(std::filesystem::is_directory(file));
    EXPECT_EQ(scratch.contents(), (Strings{"settings.cfg", "settings.cfg/inner"}));
}

TEST_F(SettingsFileTest, NullOrEmptyPathWritesNothing) {
    set_setting("a", "1");
    auto before = std::filesystem::directory_iterator(std::filesystem::current_path());
    std::size_t entries = std::distance(before, std::filesystem::directory_iterator());
    EXPECT_FALSE(save_settings_file(nullptr));
    EXPECT_FALSE(save_settings_file(""));
    auto after = std::filesystem::directory_iterator(std::filesystem::current_path());
    EXPECT_EQ(static_cast<std::size_t>(std::distance(after, std::filesystem::directory_iterator())), entries);
}

#ifndef _WIN32

// A write that the system refuses (here: past the file size limit, as on a full
// disk) must leave the previous file exactly as it was.
TEST_F(SettingsFileTest, FailedWriteLeavesPreviousFileWhole) {
    const std::string previous = "app.left\t10\napp.top\t20\n";
    write_file(file, previous);
    for (int i = 0; i < 200; ++i) {
        set_setting(("key" + std::to_string(i)).c_str(), std::string(100, 'v').c_str());
    }
    struct sigaction ignore = {}, old_action = {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &old_action);
    rlimit old_limit;
    getrlimit(RLIMIT_FSIZE, &old_limit);
    rlimit limit = old_limit;
    limit.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    bool saved = save_settings_file(file.c_str());
    setrlimit(RLIMIT_FSIZE, &old_limit);
    sigaction(SIGXFSZ, &old_action, nullptr);

    EXPECT_FALSE(saved);
    EXPECT_EQ(read_file(file), previous);
    EXPECT_EQ(scratch.contents(), (Strings{"settings.cfg"}));
}

// Two processes saving over and over: every read of the file finds one whole
// content, never a mix or a cut one.
TEST_F(SettingsFileTest, ConcurrentSavesNeverMix) {
    auto content = [](char fill) {
        std::string bytes;
        for (int i = 0; i < 500; ++i) {
            bytes += "key" + std::to_string(i) + "\t" + std::string(200, fill) + "\n";
        }
        return bytes;
    };
    const std::string first = content('a'), second = content('b');
    const std::string sources[2] = {scratch.file("a.cfg"), scratch.file("b.cfg")};
    write_file(sources[0], first);
    write_file(sources[1], second);
    write_file(file, first);
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        children[c] = fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) {
            bool ok = load_settings_file(sources[c].c_str());
            for (int i = 0; i < 40; ++i) ok = save_settings_file(file.c_str()) && ok;
            _exit(ok ? 0 : 1);
        }
    }
    int torn = 0, reads = 0, finished = 0;
    bool succeeded[2] = {false, false}, done[2] = {false, false};
    while (finished < 2) {
        std::string seen = read_file(file);
        ++reads;
        if (seen != first && seen != second) ++torn;
        for (int c = 0; c < 2; ++c) {
            int status = 0;
            if (!done[c] && waitpid(children[c], &status, WNOHANG) == children[c]) {
                done[c] = true;
                ++finished;
                succeeded[c] = WIFEXITED(status) && WEXITSTATUS(status) == 0;
            }
        }
    }
    EXPECT_TRUE(succeeded[0]);
    EXPECT_TRUE(succeeded[1]);
    EXPECT_TRUE(read_file(file) == first || read_file(file) == second);
    EXPECT_EQ(scratch.contents(), (Strings{"a.cfg", "b.cfg", "settings.cfg"}));
    EXPECT_EQ(torn, 0) << "after " << reads << " reads";
}

#endif

// ---- The path ----

class SettingsPathTest : public SettingsFileTest {
protected:
    AppDataGuard app_data;
};

TEST_F(SettingsPathTest, UnsetAppDataMeansCurrentFolder) {
    EXPECT_STREQ(settings_path("settings.cfg"), ".\\mivrel\\settings.cfg");
    EXPECT_STREQ(settings_path(""), ".\\mivrel\\");
}

TEST_F(SettingsPathTest, AppDataNameIgnoresLetterCase) {
    AppDataGuard::set("APPDATA", "C:\\Users\\u\\Roaming");
    EXPECT_STREQ(settings_path("settings.cfg"), "C:\\Users\\u\\Roaming\\mivrel\\settings.cfg");
    AppDataGuard only_one_spelling;
    AppDataGuard::set("appdata", "D:\\other");
    EXPECT_STREQ(settings_path(""), "D:\\other\\mivrel\\");
}

TEST_F(SettingsPathTest, EmptyAppDataIsUsedAsIs) {
    AppDataGuard::set("AppData", "");
    EXPECT_STREQ(settings_path("settings.cfg"), "\\mivrel\\settings.cfg");
}

TEST_F(SettingsPathTest, EachCallOverwritesTheBuffer) {
    char* file_path = settings_path("settings.cfg");
    char* folder = settings_path("");
    EXPECT_EQ(file_path, folder);
    EXPECT_STREQ(file_path, ".\\mivrel\\");
}

TEST_F(SettingsPathTest, LongestAppDataThatFits) {
    AppDataGuard::set("AppData", std::string(239, 'a'));
    const char* path = settings_path("settings.cfg");
    ASSERT_NE(path, nullptr);
    EXPECT_EQ(std::strlen(path), 259u);
    EXPECT_EQ(std::string(path), std::string(239, 'a') + "\\mivrel\\settings.cfg");

    AppDataGuard::set("AppData", std::string(240, 'a'));
    EXPECT_EQ(settings_path("settings.cfg"), nullptr);
    ASSERT_NE(settings_path(""), nullptr);
    EXPECT_EQ(std::strlen(settings_path("")), 248u);

    AppDataGuard::set("AppData", std::string(252, 'a'));
    EXPECT_EQ(settings_path(""), nullptr);
    AppDataGuard::set("AppData", std::string(5000, 'a'));
    EXPECT_EQ(settings_path(""), nullptr);
    EXPECT_EQ(settings_path("settings.cfg"), nullptr);
}

TEST_F(SettingsPathTest, TooLongAppDataWritesNothingAnywhere) {
    // A real folder whose file path would need 265 characters.
    std::string app_data = scratch.path.string();
#ifdef _WIN32
    app_data += '\\';
#else
    app_data += '/';
#endif
    app_data += std::string(245 - app_data.size(), 'p');
    AppDataGuard::set("AppData", app_data);
    ASSERT_NE(settings_path(""), nullptr);
    EXPECT_EQ(std::string(settings_path("")), app_data + "\\mivrel\\");

    set_setting("a", "1");
    EXPECT_EQ(settings_path("settings.cfg"), nullptr);
    EXPECT_FALSE(save_settings_file(settings_path("settings.cfg")));
    EXPECT_FALSE(load_settings_file(settings_path("settings.cfg")));
    EXPECT_EQ(settings_store.pair_count, 0);
    EXPECT_TRUE(scratch.contents().empty());
}

#ifdef _WIN32
TEST_F(SettingsPathTest, SavesAndLoadsUnderAppData) {
    AppDataGuard::set("AppData", scratch.path.string());
    std::filesystem::create_directory(scratch.path / "mivrel");
    set_setting("graph.delay", "500");
    ASSERT_TRUE(save_settings_file(settings_path("settings.cfg")));
    EXPECT_EQ(read_file(scratch.file("mivrel/settings.cfg")), "graph.delay\t500\n");
    clear_settings();
    EXPECT_TRUE(load_settings_file(settings_path("settings.cfg")));
    EXPECT_EQ(stored_pairs(), (Strings{"graph.delay=500"}));
}
#endif

// A save's temporary file fits wherever its target does, and a later save
// still knows its writer by its name.
TEST(TemporaryName, NeverLongerThanTheTargetsName) {
    const struct {
        unsigned long process;
        unsigned save;
        const char *target, *name;
    } cases[] = {{0x1f4, 0x1abc, "usage.cfg", "~1f4.abc"},
                 {0xfffffffc, 0x1abc, "settings.cfg", "~fffffffc.bc"},
                 {0xfffffffc, 7, "usage.cfg", "~fffffffc"},
                 {0xfffffc, 0x1abc, "usage.cfg", "~fffffc.c"},
                 {0xfffffc, 7, "a.cfg", "~fffffc"}};
    for (const auto& c : cases) {
        char name[temporary_name_size];
        temporary_file_name(name, c.process, c.save, std::strlen(c.target));
        unsigned long writer = 0;
        EXPECT_STREQ(name, c.name);
        EXPECT_TRUE(temporary_file_writer(name, &writer) && writer == c.process) << name;
    }
}

// A file held open by another program is waited for until the save's
// deadline, anything else is not; a scope's deadline is shared, never extended.
TEST(ReplaceRetry, OnlyABusyTargetIsTriedAgainAndOnlyUntilTheDeadline) {
    const struct {
        ReplaceResult result;
        std::int64_t elapsed_ns;
        bool again;
    } cases[] = {
        {ReplaceResult::busy, 0, true},
        {ReplaceResult::busy, replace_patience_ns - 1, true},
        {ReplaceResult::busy, replace_patience_ns, false},
        {ReplaceResult::failed, 0, false},
        {ReplaceResult::replaced, 0, false},
    };
    EXPECT_GE(replace_patience_ns, 2'000'000'000);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.elapsed_ns);
        EXPECT_EQ(retry_replace_before(c.result, save_deadline(5'000), 5'000 + c.elapsed_ns), c.again);
    }
    SaveDeadlineScope shared(7'000), later(9'000);
    EXPECT_EQ(save_deadline(5'000), 7'000);
}

#ifdef _WIN32
// Busy is another program holding the target; a read-only target or a folder
// in its place refuses the same way every time.
TEST(ReplaceRetry, AccessDeniedIsBusyUnlessTheTargetIsReadOnly) {
    const DWORD read_only = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE;
    const struct {
        DWORD error, attributes;
        bool busy;
    } cases[] = {{ERROR_SHARING_VIOLATION, read_only, true},
                 {ERROR_LOCK_VIOLATION, 0, true},
                 {ERROR_ACCESS_DENIED, FILE_ATTRIBUTE_ARCHIVE, true},
                 {ERROR_ACCESS_DENIED, read_only, false},
                 {ERROR_ACCESS_DENIED, INVALID_FILE_ATTRIBUTES, true},
                 {ERROR_ACCESS_DENIED, FILE_ATTRIBUTE_DIRECTORY, false},
                 {ERROR_DISK_FULL, 0, false}};
    for (const auto& c : cases) {
        const ReplaceResult taken = c.busy ? ReplaceResult::busy : ReplaceResult::failed;
        EXPECT_EQ(replace_refusal(c.error, c.attributes), taken) << c.error << " " << c.attributes;
    }
}
#endif

}  // namespace
