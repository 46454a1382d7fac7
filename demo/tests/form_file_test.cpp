// The form file: values keep their kind through a save and a load, and a
// damaged file is refused with the line that is wrong.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <functional>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "form_file.h"

namespace velmora::demo {
namespace {

struct ValueRow {
  const char* name;
  FormValue value;
  const char* spelled;
};

// Every kind, and the texts that would read back as something else if
// they were written bare.
const ValueRow kValueRows[] = {
    {"date_mask_keeps_its_blanks", FormValue::Text("  /  /    "), "\"  /  /    \""},
    {"plain_text_goes_bare", FormValue::Text("14/12/1967"), "14/12/1967"},
    {"empty_text_is_quoted", FormValue::Text(""), "\"\""},
    {"text_true_is_not_a_boolean", FormValue::Text("True"), "\"True\""},
    {"text_of_digits_is_not_a_number", FormValue::Text("0"), "\"0\""},
    {"text_like_a_colour", FormValue::Text("&H80000005&"), "\"&H80000005&\""},
    {"quotes_and_backslash_escaped", FormValue::Text("a \"b\" \\c"), "\"a \\\"b\\\" \\\\c\""},
    {"line_break_escaped", FormValue::Text("uno\ndue\r\tfine"), "\"uno\\ndue\\r\\tfine\""},
    {"leading_quote_only", FormValue::Text("\"x"), "\"\\\"x\""},
    {"accented_utf8", FormValue::Text("Quantit\xC3\xA0"), "Quantit\xC3\xA0"},
    {"number_text_grouped", FormValue::Text("-14.121.967"), "-14.121.967"},
    {"boolean_true", FormValue::Boolean(true), "True"},
    {"boolean_false", FormValue::Boolean(false), "False"},
    {"integer", FormValue::Integer(10), "10"},
    {"negative_integer", FormValue::Integer(-32768), "-32768"},
    {"system_colour_in_hex", FormValue::Hex(0x80000005u), "&H80000005&"},
    {"hex_all_bits", FormValue::Hex(0xFFFFFFFFu), "&HFFFFFFFF&"},
    {"hex_zero", FormValue::Hex(0), "&H00000000&"},
};

TEST(FormValue, WritesEachKindAndReadsItBack) {
  for (const auto& row : kValueRows) {
    const std::string spelled = FormatValue(row.value);
    EXPECT_EQ(spelled, row.spelled) << row.name;
    const FormValue back = ParseValue(spelled);
    EXPECT_TRUE(back == row.value) << row.name << ": " << spelled << " read back as kind "
                                   << static_cast<int>(back.kind) << " text '" << back.text << "' integer "
                                   << back.integer;
  }
}

struct ParseRow {
  const char* name;
  const char* spelled;
  FormValue expected;
};

const ParseRow kParseRows[] = {
    {"booleans_ignore_case", "true", FormValue::Boolean(true)},
    {"short_hex", "&H0&", FormValue::Hex(0)},
    {"hex_lower_case", "&hff&", FormValue::Hex(255)},
    {"hex_without_closing_ampersand_is_text", "&HFF", FormValue::Text("&HFF")},
    {"hex_too_long_is_text", "&H123456789&", FormValue::Text("&H123456789&")},
    {"plus_sign_integer", "+5", FormValue::Integer(5)},
    {"decimal_is_text", "9.75", FormValue::Text("9.75")},
    {"number_with_trailing_letter_is_text", "10px", FormValue::Text("10px")},
    {"lone_sign_is_text", "-", FormValue::Text("-")},
    {"integer_overflow_is_text", "99999999999999999999", FormValue::Text("99999999999999999999")},
};

TEST(FormValue, ReadsHandWrittenSpellings) {
  for (const auto& row : kParseRows) {
    const FormValue got = ParseValue(row.spelled);
    EXPECT_TRUE(got == row.expected) << row.name << ": '" << row.spelled << "' gave kind "
                                     << static_cast<int>(got.kind) << " text '" << got.text << "'";
  }
}

TEST(FormValue, RefusesBrokenQuotedTexts) {
  const char* broken[] = {"\"not closed", "\"bad \\q escape\"", "\"closed\" trailing", "\"ends in backslash\\"};
  for (const char* spelled : broken) EXPECT_THROW(ParseValue(spelled), std::invalid_argument) << spelled;
}

TEST(FormFile, ParsesSectionsInOrderAndWritesThemBackTheSame) {
  const std::string text =
      "; comment\r\n"
      "[DataLunga]\r\n"
      "Class=Velmora.VelmoraControl\r\n"
      "  Text = \"  /  /    \"  \r\n"
      "\n"
      "# another comment\n"
      "[Note]\n"
      "Class=Edit\n";
  const FormFile file = FormFile::Parse(text);
  ASSERT_EQ(file.sections.size(), 2u);
  EXPECT_EQ(file.sections[0].name, "DataLunga");
  ASSERT_NE(file.sections[0].Find("text"), nullptr);
  EXPECT_EQ(ParseValue(*file.sections[0].Find("TEXT")).text, "  /  /    ");
  EXPECT_EQ(file.sections[1].name, "Note");

  const std::string written = file.Write();
  EXPECT_EQ(written, "[DataLunga]\nClass=Velmora.VelmoraControl\nText=\"  /  /    \"\n\n[Note]\nClass=Edit\n");
  EXPECT_EQ(FormFile::Parse(written).Write(), written);
}

TEST(FormFile, SkipsAByteOrderMark) {
  const FormFile file = FormFile::Parse("\xEF\xBB\xBF[A]\nX=1\n");
  ASSERT_EQ(file.sections.size(), 1u);
  EXPECT_EQ(file.sections[0].name, "A");
}

struct BadFileRow {
  const char* name;
  const char* text;
  int line;
};

const BadFileRow kBadFiles[] = {
    {"pair_before_section", "X=1\n[A]\n", 1},
    {"unclosed_section", "[A]\n[B\n", 2},
    {"empty_section_name", "[]\n", 1},
    {"line_without_equals", "[A]\nX\n", 2},
    {"empty_key", "[A]\n=1\n", 2},
    {"section_twice_any_case", "[A]\nX=1\n[a]\n", 3},
    {"key_twice_any_case", "[A]\nX=1\nx=2\n", 3},
    {"broken_quoted_value", "[A]\n\nText=\"open\n", 3},
};

TEST(FormFile, RefusesDamagedFilesNamingTheLine) {
  for (const auto& row : kBadFiles) {
    try {
      FormFile::Parse(row.text);
      ADD_FAILURE() << row.name << ": accepted";
    } catch (const FormFileError& e) {
      EXPECT_EQ(e.line(), row.line) << row.name << ": " << e.what();
    }
  }
}

TEST(FormSection, SetKeepsThePlaceOfAKeyAndRemovePrefixTakesAFontAway) {
  FormSection s{"A", {{"MaxLength", "10"}, {"Font.Name", "x"}, {"Font.Size", "8"}, {"FontX", "1"}, {"Text", "t"}}};
  s.Set("maxlength", "8");
  s.Set("Virgola", "True");
  s.RemovePrefix("font.");
  std::vector<std::string> keys;
  for (const auto& [k, v] : s.entries) keys.push_back(k + "=" + v);
  EXPECT_EQ(keys, (std::vector<std::string>{"MaxLength=8", "FontX=1", "Text=t", "Virgola=True"}));
  s.Remove("FONTX");
  EXPECT_EQ(s.Find("FontX"), nullptr);
}

// Saving a form: the new text takes the old one's place in one step, and a
// save that fails at any point leaves the old form whole and nothing beside it.
class ReplaceFile : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/velmora-form-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    path_ = dir_ + "/form.txt";
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

  static std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  static bool Exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
  }
  void Put(const std::string& text) { std::ofstream(path_, std::ios::binary) << text; }

  std::string dir_, path_;
};

TEST_F(ReplaceFile, NewContentsTakeThePlaceOfTheOld) {
  Put("[Old]\nX=1\n");
  std::string error;
  ASSERT_TRUE(ReplaceFileContents(path_, "[New]\n", &error)) << error;
  EXPECT_EQ(Contents(path_), "[New]\n");
  EXPECT_FALSE(Exists(path_ + ".tmp"));
  // And a form that did not exist yet.
  ASSERT_TRUE(ReplaceFileContents(dir_ + "/other.txt", "", &error)) << error;
  EXPECT_TRUE(Exists(dir_ + "/other.txt"));
}

TEST_F(ReplaceFile, AFailedSaveLeavesTheOldFormWhole) {
  const std::string old = "[Old]\nText=\"14/12/1967\"\n";
  struct {
    const char* name;
    std::function<void()> arrange, restore;
    std::string target;
  } rows[] = {
      // A disk that fills up half-way: the file size limit stops the write
      // with EFBIG after 1 KB (the signal it would send is ignored).
      {"the disk fills up half-way",
       [] {
         std::signal(SIGXFSZ, SIG_IGN);
         rlimit limit{1024, RLIM_INFINITY};
         getrlimit(RLIMIT_FSIZE, &limit);
         limit.rlim_cur = 1024;
         setrlimit(RLIMIT_FSIZE, &limit);
       },
       [] {
         rlimit limit{};
         getrlimit(RLIMIT_FSIZE, &limit);
         limit.rlim_cur = limit.rlim_max;
         setrlimit(RLIMIT_FSIZE, &limit);
         std::signal(SIGXFSZ, SIG_DFL);
       },
       path_},
      {"the new file cannot take the form's place",
       [this] { ASSERT_EQ(::mkdir((dir_ + "/taken").c_str(), 0700), 0); }, [] {}, dir_ + "/taken"},
      {"the folder does not exist", [] {}, [] {}, dir_ + "/none/form.txt"},
  };
  for (auto& row : rows) {
    SCOPED_TRACE(row.name);
    Put(old);
    row.arrange();
    std::string error;
    const bool saved = ReplaceFileContents(row.target, std::string(64 * 1024, 'x'), &error);
    row.restore();
    EXPECT_FALSE(saved);
    EXPECT_NE(error.find(row.target), std::string::npos) << error;
    EXPECT_EQ(Contents(path_), old);
    EXPECT_FALSE(Exists(row.target + ".tmp"));
  }
  EXPECT_TRUE(Exists(dir_ + "/taken")) << "what stood in the way is untouched";
}

}  // namespace
}  // namespace velmora::demo
