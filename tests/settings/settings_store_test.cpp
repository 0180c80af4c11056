#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "settings_fixture.h"

#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/asan_interface.h>
#else
#define ASAN_POISON_MEMORY_REGION(address, size) ((void)(address), (void)(size))
#define ASAN_UNPOISON_MEMORY_REGION(address, size) ((void)(address), (void)(size))
#endif

namespace {

using Strings = std::vector<std::string>;
using SettingsStoreTest = SettingsTest;

std::string numbered(const char* prefix, int n) {
    return prefix + std::to_string(n);
}

void set_numbered_keys(int from, int to) {
    for (int i = from; i < to; ++i) {
        ASSERT_NE(set_setting(numbered("key", i).c_str(), numbered("value", i).c_str()), nullptr);
    }
}

TEST_F(SettingsStoreTest, EmptyOrClearedStoreFindsNothing) {
    EXPECT_EQ(find_setting("a"), nullptr);
    EXPECT_EQ(find_setting(""), nullptr);
    set_setting("a", "1");
    clear_settings();
    EXPECT_EQ(find_setting("a"), nullptr);
    EXPECT_EQ(settings_store.pairs, nullptr);
    EXPECT_EQ(settings_store.pair_capacity, 0);
    EXPECT_EQ(settings_store.pair_count, 0);
}

TEST_F(SettingsStoreTest, ReplacingAValueKeepsItsPlace) {
    set_setting("a", "1");
    set_setting("b", "2");
    const char* stored = set_setting("a", "3");
    ASSERT_NE(stored, nullptr);
    EXPECT_STREQ(stored, "3");
    EXPECT_EQ(stored_pairs(), (Strings{"a=3", "b=2"}));
    EXPECT_EQ(find_setting("a")->value, stored);
}

TEST_F(SettingsStoreTest, GrowsBy32SlotsKeepingOrder) {
    set_numbered_keys(0, 32);
    EXPECT_EQ(settings_store.pair_capacity, 32);
    EXPECT_EQ(settings_store.pair_count, 32);
    set_numbered_keys(32, 33);
    EXPECT_EQ(settings_store.pair_capacity, 64);
    set_numbered_keys(33, 65);
    EXPECT_EQ(settings_store.pair_capacity, 96);
    ASSERT_EQ(settings_store.pair_count, 65);
    for (int i = 0; i < 65; ++i) {
        EXPECT_STREQ(settings_store.pairs[i].key, numbered("key", i).c_str());
        EXPECT_STREQ(settings_store.pairs[i].value, numbered("value", i).c_str());
    }
}

TEST_F(SettingsStoreTest, KeysMatchExactly) {
    set_setting("graph.delay", "1");
    set_setting("Graph.Delay", "2");
    set_setting("graph.delay ", "3");
    EXPECT_EQ(settings_store.pair_count, 3);
    EXPECT_STREQ(find_setting("graph.delay")->value, "1");
    EXPECT_STREQ(find_setting("Graph.Delay")->value, "2");
    EXPECT_STREQ(find_setting("graph.delay ")->value, "3");
    EXPECT_EQ(find_setting("graph.dela"), nullptr);
    EXPECT_EQ(find_setting("GRAPH.DELAY"), nullptr);
}

TEST_F(SettingsStoreTest, EmptyKeyAndEmptyValueAreValid) {
    ASSERT_NE(set_setting("", "x"), nullptr);
    const char* empty = set_setting("k", "");
    ASSERT_NE(empty, nullptr);
    EXPECT_STREQ(empty, "");
    EXPECT_STREQ(find_setting("")->value, "x");
    EXPECT_STREQ(find_setting("k")->value, "");
    EXPECT_EQ(stored_pairs(), (Strings{"=x", "k="}));
}

TEST_F(SettingsStoreTest, ClearOfUnusedStoreAndFreshStart) {
    clear_settings();
    EXPECT_EQ(settings_store.pair_capacity, 0);
    EXPECT_EQ(settings_store.pair_count, 0);
    set_numbered_keys(0, 40);
    clear_settings();
    set_setting("a", "1");
    EXPECT_EQ(settings_store.pair_capacity, 32);
    EXPECT_EQ(stored_pairs(), (Strings{"a=1"}));
}

TEST_F(SettingsStoreTest, StoresItsOwnCopies) {
    char key[8] = "key";
    char value[8] = "before";
    const char* stored = set_setting(key, value);
    EXPECT_NE(stored, value);
    std::strcpy(value, "after");
    std::strcpy(key, "other");
    EXPECT_STREQ(stored, "before");
    ASSERT_NE(find_setting("key"), nullptr);
    EXPECT_NE(find_setting("key")->key, key);
}

TEST_F(SettingsStoreTest, ValueMaySetItselfAgain) {
    set_setting("a", "a long enough value to live in its own block");
    const char* stored = set_setting("a", find_setting("a")->value);
    ASSERT_NE(stored, nullptr);
    EXPECT_STREQ(stored, "a long enough value to live in its own block");
}

TEST_F(SettingsStoreTest, EachTextIsABlockOfItsLengthPlusOne) {
    AllocationLimit tracking(-1);
    set_setting("abc", "de");
    set_setting("abc", "");
    auto sizes = AllocationLimit::fresh_block_sizes();
    // The array of 32 slots, the key, its value, then the replacement value.
    EXPECT_EQ(sizes, (std::vector<std::size_t>{32 * sizeof(Setting), 4, 3, 1}));
}

TEST_F(SettingsStoreTest, FailedFirstArrayLeavesStoreEmpty) {
    AllocationLimit none(0);
    EXPECT_EQ(set_setting("a", "1"), nullptr);
    EXPECT_EQ(settings_store.pairs, nullptr);
    EXPECT_EQ(settings_store.pair_capacity, 0);
    EXPECT_EQ(settings_store.pair_count, 0);
}

TEST_F(SettingsStoreTest, FailedGrowthKeepsArrayAndPairs) {
    set_numbered_keys(0, 32);
    Setting* before = settings_store.pairs;
    {
        AllocationLimit none(0);
        EXPECT_EQ(set_setting("key32", "value32"), nullptr);
    }
    EXPECT_EQ(settings_store.pairs, before);
    EXPECT_EQ(settings_store.pair_capacity, 32);
    ASSERT_EQ(settings_store.pair_count, 32);
    EXPECT_STREQ(settings_store.pairs[31].value, "value31");
    EXPECT_EQ(find_setting("key32"), nullptr);
}

TEST_F(SettingsStoreTest, FailedKeyCopyAddsNoPair) {
    set_setting("a", "1");
    {
        AllocationLimit none(0);
        EXPECT_EQ(set_setting("b", "2"), nullptr);
    }
    EXPECT_EQ(stored_pairs(), (Strings{"a=1"}));
}

TEST_F(SettingsStoreTest, FailedValueCopyOfNewKeyAddsNoPair) {
    set_setting("a", "1");
    {
        AllocationLimit key_only(1);
        EXPECT_EQ(set_setting("b", "2"), nullptr);
    }
    EXPECT_EQ(stored_pairs(), (Strings{"a=1"}));
    EXPECT_EQ(find_setting("b"), nullptr);
    ASSERT_NE(set_setting("b", "3"), nullptr);
    EXPECT_EQ(stored_pairs(), (Strings{"a=1", "b=3"}));
}

TEST_F(SettingsStoreTest, FailedValueCopyOfKnownKeyKeepsOldValue) {
    set_setting("a", "1");
    set_setting("b", "2");
    {
        AllocationLimit none(0);
        EXPECT_EQ(set_setting("a", "3"), nullptr);
    }
    EXPECT_EQ(stored_pairs(), (Strings{"a=1", "b=2"}));
}

// Thousands of keys differing only in case, a trailing space or a suffix, set
// twice with a clear between, the second time in reverse: each keeps its place
// and its replacement and is found as itself. Under AddressSanitizer the keys
// not yet looked up are unreadable, so a lookup that reads others stops the test;
// but the first two share one hash in the store's present function, and a lookup
// of either must read both.
TEST_F(SettingsStoreTest, ThousandsOfKeysAreFoundDirectlyAndExactly) {
    for (int fill = 0; fill < 2; ++fill) {
        clear_settings();
        std::vector<std::string> keys = {"key.xjdhu2", "key.i54u8x"};
        for (int i = 0; i < 1500; ++i) {
            const std::string n = std::to_string(fill == 0 ? i : 1499 - i);
            keys.insert(keys.end(), {"key" + n, "Key" + n, "key" + n + " ", "key" + n + ".x"});
        }
        for (const std::string& key : keys) ASSERT_TRUE(set_setting(key.c_str(), "old"));
        for (std::size_t i = 0; i < keys.size(); i += 3) ASSERT_TRUE(set_setting(keys[i].c_str(), "new"));
        ASSERT_EQ(settings_store.pair_count, static_cast<std::int32_t>(keys.size()));
        for (std::size_t i = 0; i < keys.size(); ++i) {
            ASSERT_EQ(keys[i], settings_store.pairs[i].key);
            ASSERT_STREQ(settings_store.pairs[i].value, i % 3 == 0 ? "new" : "old");
            if (i >= 2) ASAN_POISON_MEMORY_REGION(settings_store.pairs[i].key, keys[i].size() + 1);
        }
        for (const char* absent : {"key", "KEY7", "key7.X", "key1500"}) EXPECT_FALSE(find_setting(absent));
        for (std::size_t i = keys.size(); i-- > 0;) {
            ASAN_UNPOISON_MEMORY_REGION(settings_store.pairs[i].key, keys[i].size() + 1);
            ASSERT_EQ(find_setting(keys[i].c_str()), &settings_store.pairs[i]) << keys[i];
        }
    }
}

}  // namespace
