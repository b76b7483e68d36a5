#include "core/folder_model.h"

#include <gtest/gtest.h>

namespace zt {
namespace {

TEST(FolderModel, MatchesTheSoundPatternWithoutCase) {
    for (const wchar_t* name : {L"bell.wav", L"BELL.WAV", L"a.Mp3", L".wav", L"x.y.mp3", L"\xC9t\xE9.WAV"})
        EXPECT_TRUE(matchesPattern(name, kSoundPattern)) << name;
    for (const wchar_t* name : {L"bell.wave", L"bell.wav.txt", L"wav", L"bell.mp4", L"bellwav", L""})
        EXPECT_FALSE(matchesPattern(name, kSoundPattern)) << name;
}

TEST(FolderModel, WildcardsBacktrack) {
    EXPECT_TRUE(matchesPattern(L"abcabd", L"*abd"));
    EXPECT_TRUE(matchesPattern(L"a.b", L"?.?"));
    EXPECT_FALSE(matchesPattern(L"ab.b", L"?.?"));
    EXPECT_TRUE(matchesPattern(L"anything", L"x;;*"));
    EXPECT_FALSE(matchesPattern(L"anything", L";"));
}

TEST(FolderModel, SortsWithoutCaseStably) {
    std::vector<std::wstring> names{L"b.wav", L"A.wav", L"a.wav", L"C.mp3", L"10.wav", L"9.wav"};
    sortNames(names);
    EXPECT_EQ(names, (std::vector<std::wstring>{L"10.wav", L"9.wav", L"A.wav", L"a.wav", L"b.wav", L"C.mp3"}));
}

TEST(FolderModel, NamesCompareFoldedThenByCodeUnitAndShorterFirst) {
    struct Case {
        const wchar_t *a, *b;
        bool before;
    } const cases[] = {
        {L"a", L"B", true},        {L"B", L"a", false},       {L"A", L"a", true},  {L"a", L"A", false},
        {L"a", L"a", false},       {L"ab", L"AB", false},     {L"AB", L"ab", true}, {L"bell", L"bell2", true},
        {L"Bell2", L"bell", false}, {L"", L"a", true},        {L"a_", L"aB", true},  // folded to lower case: '_' sorts before 'b'
    };
    for (const auto& c : cases) EXPECT_EQ(nameBefore(c.a, c.b), c.before) << c.a << L" < " << c.b;
}

TEST(FolderModel, AFinishedReadCountsOnlyWhenNewestAndFailsAsItsPurposeSays) {
    using P = ReadPurpose;
    using O = ReadOutcome;
    struct Case {
        P purpose;
        bool newest, readable;
        O outcome;
    } const cases[] = {
        {P::navigate, true, true, O::showAll},      {P::navigate, true, false, O::unreadable},
        {P::restore, true, true, O::showAll},       {P::restore, true, false, O::fallBack},
        {P::quietly, true, true, O::showAll},       {P::quietly, true, false, O::keep},
        {P::refresh, true, true, O::showFiles},     {P::refresh, true, false, O::keep},
        {P::navigate, false, true, O::stale},       {P::navigate, false, false, O::stale},
        {P::refresh, false, true, O::stale},        {P::restore, false, false, O::stale},
    };
    for (const auto& c : cases)
        EXPECT_EQ(readOutcome(c.purpose, c.newest, c.readable), c.outcome)
            << static_cast<int>(c.purpose) << " newest " << c.newest << " readable " << c.readable;
}

TEST(FolderModel, NormalizesFolders) {
    EXPECT_EQ(normalizeFolder(L"c:"), L"C:\\");
    EXPECT_EQ(normalizeFolder(L"c:\\"), L"C:\\");
    EXPECT_EQ(normalizeFolder(L"c:\\Sounds\\\\"), L"C:\\Sounds");
    EXPECT_EQ(normalizeFolder(L"C:/Sounds/Bells/"), L"C:\\Sounds\\Bells");
    EXPECT_EQ(normalizeFolder(L"\\\\server\\share\\"), L"\\\\server\\share");
}

TEST(FolderModel, NarrowListsAndDeepFoldersIndentLess) {
    struct Case {
        int full, deepest, width, indent;
    } const cases[] = {
        {10, 0, 137, 10},   // a drive root
        {10, 3, 137, 10},   // shallow: the full indent fits in a quarter
        {10, 8, 137, 4},    // the installed sounds folder at 96 DPI: 32 of 137 pixels
        {15, 8, 205, 6},    // the same at 144 DPI
        {10, 30, 137, 2},   // very deep: a fifth of the full indent stays
        {10, 8, 0, 2},      // not laid out yet
        {10, 2, 1000, 10},  // wide: never more than the full indent
    };
    for (const auto& c : cases)
        EXPECT_EQ(levelIndent(c.full, c.deepest, c.width), c.indent) << c.deepest << " levels in " << c.width;
}

TEST(FolderModel, RowsShowAncestorsThenSubfolders) {
    const auto rows = folderRows(L"C:\\Sounds\\Bells", {L"old", L"New"});
    ASSERT_EQ(rows.size(), 5u);
    const wchar_t* names[] = {L"C:\\", L"Sounds", L"Bells", L"New", L"old"};
    const wchar_t* paths[] = {L"C:\\", L"C:\\Sounds", L"C:\\Sounds\\Bells", L"C:\\Sounds\\Bells\\New",
                              L"C:\\Sounds\\Bells\\old"};
    const int levels[] = {0, 1, 2, 3, 3};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].name, names[i]);
        EXPECT_EQ(rows[i].path, paths[i]);
        EXPECT_EQ(rows[i].level, levels[i]);
        EXPECT_EQ(rows[i].open, i < 3);
    }
}

TEST(FolderModel, RowsOfARootAndOfAShare) {
    const auto root = folderRows(L"D:\\", {L"Music"});
    ASSERT_EQ(root.size(), 2u);
    EXPECT_EQ(root[0].path, L"D:\\");
    EXPECT_EQ(root[1].path, L"D:\\Music");
    EXPECT_EQ(root[1].level, 1);

    const auto share = folderRows(L"\\\\nas\\media\\bells", {});
    ASSERT_EQ(share.size(), 2u);
    EXPECT_EQ(share[0].path, L"\\\\nas\\media\\");
    EXPECT_EQ(share[1].path, L"\\\\nas\\media\\bells");
    EXPECT_TRUE(folderRows(L"", {}).empty());
}

TEST(ListEdits, TouchOnlyTheRowsThatDiffer) {
    using Names = std::vector<std::wstring>;
    using Edits = std::vector<ListEdit>;
    struct Case {
        Names from, to;
        Edits edits;
    } const cases[] = {
        {{L"a", L"c"}, {L"a", L"c"}, {}},
        {{L"a", L"c"}, {L"a", L"B", L"c"}, {{true, 1, L"B"}}},
        {{L"a", L"B", L"c"}, {L"a", L"c"}, {{false, 1, L""}}},
        {{}, {L"a", L"b"}, {{true, 0, L"a"}, {true, 1, L"b"}}},
        {{L"a", L"b"}, {}, {{false, 0, L""}, {false, 0, L""}}},
        {{L"a", L"b"}, {L"b", L"c"}, {{false, 0, L""}, {true, 1, L"c"}}},
        {{L"A.wav"}, {L"a.wav"}, {{false, 0, L""}, {true, 0, L"a.wav"}}},  // renamed in case only
    };
    for (const auto& c : cases) {
        EXPECT_EQ(listEdits(c.from, c.to), c.edits) << c.from.size() << " -> " << c.to.size();
        // Applied in order, they give the new list.
        Names shown = c.from;
        for (const auto& e : listEdits(c.from, c.to)) {
            if (e.insert)
                shown.insert(shown.begin() + e.index, e.name);
            else
                shown.erase(shown.begin() + e.index);
        }
        EXPECT_EQ(shown, c.to);
    }
}

}  // namespace
}  // namespace zt
