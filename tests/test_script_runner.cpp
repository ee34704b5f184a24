// The script driver's parser and printer, and its exit statuses, run in-process.
#include <gtest/gtest.h>

#include <sstream>
#include <streambuf>
#include <string>

#include "script_runner.hpp"

namespace {

using tintbox::script::format_text;
using tintbox::script::format_twips;
using tintbox::script::kExitOk;
using tintbox::script::kExitScriptError;
using tintbox::script::kExitUnreadable;
using tintbox::script::ScriptRunner;
using tintbox::script::tokenize;

struct RunResult {
    int status;
    std::string out;
    std::string err;
};

RunResult run_script(const std::string& script) {
    std::istringstream in(script);
    std::ostringstream out;
    std::ostringstream err;
    ScriptRunner runner(out, err);
    const int status = runner.run(in);
    return {status, out.str(), err.str()};
}

TEST(ScriptTokenizer, SplitsOnBlanksAndDropsCommentWords) {
    const auto words = tokenize("  get\ttxtDec.Text   # prints \"0\"");
    ASSERT_EQ(words.size(), 2u);
    EXPECT_EQ(words[0].raw, "get");
    EXPECT_EQ(words[1].raw, "txtDec.Text");
    EXPECT_FALSE(words[1].quoted);
}

TEST(ScriptTokenizer, HashInsideAWordOrATextIsNoComment) {
    const auto words = tokenize("call Dec a#b \"#1a # 2\"");
    ASSERT_EQ(words.size(), 4u);
    EXPECT_EQ(words[2].text, u"a#b");
    EXPECT_EQ(words[3].text, u"#1a # 2");
    EXPECT_TRUE(words[3].quoted);
}

TEST(ScriptTokenizer, DecodesEveryEscape) {
    const auto words = tokenize(R"("q\"b\\n\nt\tu\u00e9\uD83D" "")");
    ASSERT_EQ(words.size(), 2u);
    EXPECT_EQ(words[0].text, u"q\"b\\n\nt\tu\u00e9\xD83D");
    EXPECT_TRUE(words[1].text.empty());
    EXPECT_TRUE(words[1].quoted);
}

TEST(ScriptTokenizer, BareWordsAreUtf8Texts) {
    const auto words = tokenize("type caf\xC3\xA9");
    ASSERT_EQ(words.size(), 2u);
    EXPECT_EQ(words[1].text, u"caf\u00e9");
}

TEST(ScriptTokenizer, RejectsMalformedTexts) {
    for (const char* line : {"type \"open", "type \"bad \\x escape\"", "type \"\\u12\"",
                             "type \"\\u12G4\"", "type \"a\"b", "type a\"b\"", "type \"tail\\"}) {
        EXPECT_THROW(tokenize(line), std::invalid_argument) << line;
    }
}

TEST(ScriptPrinter, EscapesTextsAndSpellsNonAsciiAsCodeUnits) {
    EXPECT_EQ(format_text(u""), "\"\"");
    EXPECT_EQ(format_text(u"A\"\\\n\t~"), R"("A\"\\\n\t~")");
    EXPECT_EQ(format_text(u"\u00e9\x7f\x1f\xD83D"), R"("\u00E9\u007F\u001F\uD83D")");
}

TEST(ScriptPrinter, TwipsPrintWithTheShortestFraction) {
    EXPECT_EQ(format_twips(4770.0f), "4770");
    EXPECT_EQ(format_twips(1845.5f), "1845.5");
    EXPECT_EQ(format_twips(0.1f), "0.1");
    EXPECT_EQ(format_twips(-15.25f), "-15.25");
    EXPECT_EQ(format_twips(-0.0f), "0");
    EXPECT_EQ(format_twips(1e10f), "10000000000");
}

TEST(ScriptRunner, SkipsBlankLinesAndCommentsAndCountsThemAsLines) {
    const auto result = run_script("\n# a comment\n   \r\ncall GetRGB\r\nnosuch\n");
    EXPECT_EQ(result.status, kExitScriptError);
    EXPECT_EQ(result.out, "0\n");
    EXPECT_EQ(result.err, "5: unknown command 'nosuch'\n");
}

TEST(ScriptRunner, StopsAtTheFirstMalformedLine) {
    const auto result = run_script("call GetRed\nget txtRed.Nope\ncall GetRed\n");
    EXPECT_EQ(result.status, kExitScriptError);
    EXPECT_EQ(result.out, "0\n");
    EXPECT_EQ(result.err, "2: view txtRed has no property 'Nope'\n");
}

TEST(ScriptRunner, MalformedLinesExitWithStatus2) {
    for (const char* line : {
             "frobnicate",                    // unknown command
             "call NoSuchMethod",             // unknown method
             "call GetRGB 1",                 // too many arguments
             "call SetRGB",                   // too few
             "call SetRGB 12x",               // malformed number
             "call SetRGB 0x",                // hexadecimal without digits
             "call SetRGB 0x100000000",       // wider than 32 bits
             "call SetRGB \"5\"",             // a text is not a number
             "get nosuch.Text",               // unknown view
             "get hsRed.Text",                // a property the view kind lacks
             "get Colors.TabIndex",           // the image has no tab place
             "get NoSuchField",               // unknown field
             "get screen.Nope",               // unknown screen property
             "get point txtRed 1 1",          // Point belongs to picture boxes
             "set Enabled maybe",             // not a boolean
             "set Picture pixels 2 2 1 2 3",  // wrong number of pixels
             "down thumb Colors",             // unknown button
             "down left nosuch",              // unknown target view
             "down left 12,x",                // malformed coordinates
             "key Ctrl+Q",                    // unknown key
             "scroll txtRed 5",               // not a scroll bar
             "scroll hsRed 40000",            // beyond 16 bits
             "tick -1",                       // time does not run back
             "tick 1000001",                  // above the limit of one command
             "tick 18446744073709551616",     // far above it
             "screen nope",                   // unknown screen command
             "set screen.TwipsPerPixelX 0",
         }) {
        const auto result = run_script(line);
        EXPECT_EQ(result.status, kExitScriptError) << line;
        EXPECT_EQ(result.err.rfind("1: ", 0), 0u) << line << " -> " << result.err;
    }
}

TEST(ScriptRunner, HostArgumentsOutsideTheirTypeAreTheHostsOverflow) {
    const auto result = run_script(
        "call SetRed 40000\ncall SetRed 32767\ncall GetRed\ncall SetRGB 2147483648\n"
        "call SetRGB 0x80000004\ncall GetRGB\n");
    EXPECT_EQ(result.status, kExitOk);
    EXPECT_EQ(result.out, "error: Overflow\nok\n255\nerror: Overflow\nok\n0\n");
}

TEST(ScriptRunner, ADecimalOfAnySizeIsANumberAndItsOverflowTheHosts) {
    const auto result = run_script(
        "call SetRGB 18446744073709551616\ncall SetRGB -99999999999999999999999\n"
        "call SetBlue 9223372036854775808\ncall SepRGB 1099511627776\ncall GetRGB\n");
    EXPECT_EQ(result.status, kExitOk) << result.err;
    EXPECT_EQ(result.out,
              "error: Overflow\nerror: Overflow\nerror: Overflow\nerror: Overflow\n0\n");
    EXPECT_EQ(run_script("resize 100000000000000000000 10\nget UserControl.Width\n").out,
              "100000002004087734272\n");
}

TEST(ScriptRunner, ALineLongerThanTheLimitIsAScriptErrorNotAnEndlessRead) {
    const auto too_long = run_script(std::string(tintbox::script::kMaxLineBytes + 1, ' ') + "\n");
    EXPECT_EQ(too_long.status, kExitScriptError);
    EXPECT_EQ(too_long.err, "1: the line is longer than 1048576 bytes\n");
    const auto no_line_break = run_script("changes\n" + std::string(3 << 20, '\0'));
    EXPECT_EQ(no_line_break.status, kExitScriptError);
    EXPECT_EQ(no_line_break.out, "1\n");
    EXPECT_EQ(run_script(std::string(tintbox::script::kMaxLineBytes, ' ')).status, kExitOk);
}

TEST(ScriptRunner, NumbersReadInDecimalOrAs32BitHexadecimalPatterns) {
    const auto result = run_script(
        "call SepRGB 0x123456\ncall SepRGB +1193046\ncall SepRGB 0xFFFFFFFF\n"
        "get txtHidden2.BackColor\n");
    EXPECT_EQ(result.status, kExitOk);
    EXPECT_EQ(result.out, "86 52 18\n86 52 18\n255 0 0\n-2147483644\n");
}

TEST(ScriptRunner, DecPrintsTheResultAndTheCleanedArgument) {
    const auto result = run_script("call Dec \"#1a\\\"2B\\u00e93d\"\ncall Dec 0x10\n");
    EXPECT_EQ(result.out, "1715005 \"1A2B3D\"\n16 \"010\"\n");
}

TEST(ScriptRunner, ChangesCountsSinceTheLastReadingAndRestartsWithNew) {
    const auto result =
        run_script("changes\ncall SetRGB 5\ncall SetRGB 5\nchanges\nchanges\nnew\nchanges\n");
    EXPECT_EQ(result.out, "1\nok\nok\n2\n0\n1\n");
}

TEST(ScriptRunner, PictureNumbersFollowObjectsAcrossNew) {
    const auto result = run_script(
        "get Picture\nset Picture pixels 1 1 0\nget Picture\nget Colors.Picture\n"
        "set Picture pixels 2 1 0 0\nget Picture\nnew\nset Picture pixels 1 2 0 0\n"
        "get Picture\n");
    EXPECT_EQ(result.status, kExitOk);
    EXPECT_EQ(result.out, "none\n1 1 #1\n1 1 #1\n2 1 #2\n1 2 #3\n");
}

TEST(ScriptRunner, ControlErrorsPrintTheirKindAndGoOn) {
    const auto result = run_script("load no-such-file.tbb\nset Picture pixels 0 0\ncall GetRGB\n");
    EXPECT_EQ(result.status, kExitOk);
    EXPECT_EQ(result.out, "error: FileError\nerror: InvalidPicture\n0\n");
    EXPECT_NE(result.err.find("1: FileError: "), std::string::npos) << result.err;
}

TEST(ScriptRunner, HeldButtonsMustMatchWhatThePersonHolds) {
    EXPECT_EQ(run_script("move Colors left").status, kExitScriptError);
    EXPECT_EQ(run_script("up left Colors").status, kExitScriptError);
    EXPECT_EQ(run_script("down left Colors\ndown left Colors").status, kExitScriptError);
    EXPECT_EQ(run_script("down left Colors\nmove Colors").status, kExitScriptError);
    EXPECT_EQ(run_script("down left Colors\ndown right Colors\nmove Colors right left\n"
                         "up left Colors\nmove Colors right\nup right Colors\nmove Colors\n")
                  .status,
              kExitOk);
}

TEST(ScriptRunner, CancelLetsGoOfEveryButtonAndEscapeOfNone) {
    EXPECT_EQ(run_script("down left Colors\ncancel\nup left Colors").status, kExitScriptError);
    EXPECT_EQ(run_script("down left Colors\ncancel\ndown left Colors\nup left Colors").status,
              kExitOk);
    EXPECT_EQ(run_script("down left Colors\nkey Escape\nup left Colors").status, kExitOk);
    EXPECT_EQ(run_script("cancel 1").status, kExitScriptError);
}

TEST(ScriptRunner, TheClipboardBelongsToTheMachineAndOutlivesNew) {
    const auto result = run_script(
        "get clipboard\nscreen clipboard \"12\\u00e9\"\nnew\nget clipboard\nfocus txtDec\n"
        "key Ctrl+A\nkey Ctrl+V\nget txtDec.Text\n");
    EXPECT_EQ(result.status, kExitOk) << result.err;
    EXPECT_EQ(result.out, "\"\"\n\"12\\u00E9\"\n\"12\"\n");
}

TEST(ScriptRunner, TargetsResolveToSurfaceTwips) {
    // txtWebHex's centre, a point inside it and the same point in surface twips all
    // reach it; a left press there sets its click flag.
    for (const char* target : {"txtWebHex", "txtWebHex@1000,100", "1030,3250"}) {
        const auto result =
            run_script(std::string("click left ") + target + "\nget focus\nget ClickedWebHex\n");
        EXPECT_EQ(result.out, "txtWebHex\nTrue\n") << target;
    }
}

TEST(ScriptRunner, FieldsAndSurfacePropertiesPrintInTheirForms) {
    const auto result = run_script(
        "get ChangeSource\nget SpectrumPressed\nget UserControl.Width\nget Colors.MouseIcon\n"
        "get screen.TwipsPerPixelX\nset screen.TwipsPerPixelX 12.5\nget screen.TwipsPerPixelX\n");
    EXPECT_EQ(result.out, "\"ColorSpectrum\"\nFalse\n4770\nA\n15\n12.5\n");
}

TEST(ScriptRunner, WatchPrintsTheWatchedValuesAtEveryChangeUntilStopped) {
    const auto result = run_script(
        "watch CurrentColor txtHex.Text\ncall SetRGB 255\nwatch\ncall SetRGB 1\n"
        "watch CurrentColor\nnew\ncall SetRGB 2\nchanged-properties\nset Enabled True\n"
        "changed-properties\n");
    EXPECT_EQ(result.status, kExitOk);
    EXPECT_EQ(result.out, "Change 255 \"FF\"\nok\nok\nok\nnone\nEnabled\n");
    EXPECT_EQ(run_script("watch point").status, kExitScriptError);
    EXPECT_EQ(run_script("watch txtRed.Nope").status, kExitScriptError);
}

// A stream whose reading fails part-way, as a file on a failing disk would.
class FailingBuffer : public std::streambuf {
  protected:
    int_type underflow() override { throw std::ios_base::failure("read error"); }
};

TEST(ScriptRunner, AScriptThatCannotBeReadExitsWith1) {
    FailingBuffer buffer;
    std::istream in(&buffer);
    std::ostringstream out;
    std::ostringstream err;
    ScriptRunner runner(out, err);
    EXPECT_EQ(runner.run(in), kExitUnreadable);
}

}  // namespace
