// The order of a sorted list box of the system, measured under Wine with
// entries in its own sort key's corners: case and width twins, hyphens and
// apostrophes where they stand, symbols, digits, kana in every form, kanji.
// The console's list boxes must show them in the same order, and so must a
// real one (the Win32 tests add them to one).
#pragma once

namespace relvo::test {

// The entries (CP932), in the order they are added. Names equal but for
// case come out in an order that depends on the order of adding.
inline constexpr const char* kListBoxAdded[] = {
    "[Program Files]", "[windows]", "[..]", "[z]", "[Z]", "[a-b]", "[ab]", "[Ab]", "[-ab]", "[ab-]",
    "[a'b]", "[a_b]", "[a b]", "[a.b]", "[a+b]", "[a~b]", "[a(1)]", "[a（1）]", "[ａｂ]", "[ａ－ｂ]", "[Ｚ]", "[ｚ]",
    "[1st]", "[10]", "[２]", "[2]", "[①]", "[Doc]", "[Docs]", "[Program]", "[WINDOWS]", "[.hidden]", "[_x]",
    "[~]", "[#1]", "[＃1]", "[　]", "[a　b]", "[α]", "[Β]", "[б]", "[А]", "[音声]", "[漢字]", "[一]", "[ソフト]",
    "[ｿﾌﾄ]", "[そふと]", "[ソフトウェア]", "[ｧ]", "[ァ]", "[ア]", "[ｱ]", "[あ]", "[アー]", "[ｱｰ]", "[アア]", "[カー]", "[カ]",
    "[ガ]", "[ｶﾞ]", "[が]", "[パ]", "[ﾊﾟ]", "[バ]", "[ハ]", "[ッ]", "[ツ]", "[ヴ]", "[ウ]", "[データ]", "[ﾃﾞｰﾀ]",
    "[データ-1]", "[データ1]", "[テスト]", "[ア'イ]", "[アイ']", "[・]", "[「a」]", "[※]", "[ﾝ]", "[ン]",
};

// The order the system's sorted list box shows them in.
inline constexpr const char* kListBoxShown[] = {
    "[　]", "[#1]", "[＃1]", "[..]", "[.hidden]", "[_x]", "[~]", "[「a」]", "[・]", "[※]", "[①]", "[10]",
    "[1st]", "[2]", "[２]", "[a b]", "[a　b]", "[a(1)]", "[a（1）]", "[a.b]", "[a_b]", "[a~b]", "[a+b]", "[Ab]",
    "[ab]", "[ab-]", "[a'b]", "[a-b]", "[-ab]", "[ａｂ]", "[ａ－ｂ]", "[Doc]", "[Docs]", "[Program Files]",
    "[Program]", "[WINDOWS]", "[windows]", "[Z]", "[z]", "[ｚ]", "[Ｚ]", "[α]", "[Β]", "[А]", "[б]", "[ｧ]",
    "[ァ]", "[ｱ]", "[ア]", "[あ]", "[アア]", "[ｱｰ]", "[アー]", "[アイ']", "[ア'イ]", "[ウ]", "[ヴ]", "[カ]", "[ガ]", "[が]",
    "[ｶﾞ]", "[カー]", "[ｿﾌﾄ]", "[ソフト]", "[そふと]", "[ソフトウェア]", "[ッ]", "[ツ]", "[データ]", "[ﾃﾞｰﾀ]", "[データ1]",
    "[データ-1]", "[テスト]", "[ハ]", "[バ]", "[パ]", "[ﾊﾟ]", "[ﾝ]", "[ン]", "[一]", "[漢字]", "[音声]",
};

}  // namespace relvo::test
