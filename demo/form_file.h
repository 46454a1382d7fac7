// The demo form's file: the container's record of its fields, one section
// per field, in the order they stand on the form, each holding the field's
// properties by key:
//
//   ; comment
//   [DataLunga]
//   Class=Velmora.VelmoraControl
//   Caption="Data (gg/mm/aaaa)"
//   MaxLength=10
//   DateValue=True
//
// A value is a quoted text ("..." with \" \\ \n \t \r escapes, so blanks at
// either end survive), True or False, a whole number, a hexadecimal number
// written &H...& (colours: a system colour keeps its high bit readable), or
// any other bare text. Keys and section names compare without regard to
// case, as property names do. Saving writes every value in that same form,
// so a form saved and loaded again reads back the same.
//
// Portable: the Windows property bag over a section lives in form_bag.*.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velmora::demo {

class FormFileError : public std::runtime_error {
 public:
  FormFileError(int line, const std::string& what)
      : std::runtime_error("line " + std::to_string(line) + ": " + what), line_(line) {}
  int line() const noexcept { return line_; }

 private:
  int line_;
};

// One value as the file spells it, read back into its kind.
struct FormValue {
  enum class Kind { Text, Boolean, Integer, Hex };
  Kind kind = Kind::Text;
  std::string text;           // Kind::Text (UTF-8)
  bool boolean = false;       // Kind::Boolean
  std::int64_t integer = 0;   // Kind::Integer and Kind::Hex (Hex: 0..0xFFFFFFFF)

  static FormValue Text(std::string t) { FormValue v; v.text = std::move(t); return v; }
  static FormValue Boolean(bool b) { FormValue v; v.kind = Kind::Boolean; v.boolean = b; return v; }
  static FormValue Integer(std::int64_t i) { FormValue v; v.kind = Kind::Integer; v.integer = i; return v; }
  static FormValue Hex(std::uint32_t h) { FormValue v; v.kind = Kind::Hex; v.integer = h; return v; }
  bool operator==(const FormValue&) const = default;
};

// The file's spelling of a value, and back. ParseValue throws
// std::invalid_argument for a quoted text that is not closed or carries an
// unknown escape.
std::string FormatValue(const FormValue& value);
FormValue ParseValue(std::string_view spelled);

struct FormSection {
  std::string name;
  std::vector<std::pair<std::string, std::string>> entries;  // key, spelled value

  // The spelled value of a key, or nullptr.
  const std::string* Find(std::string_view key) const;
  // Replaces the value of an existing key (keeping its place) or appends it.
  void Set(std::string_view key, std::string spelled);
  void Remove(std::string_view key);
  // Removes every key that starts with prefix (case aside).
  void RemovePrefix(std::string_view prefix);
};

struct FormFile {
  std::vector<FormSection> sections;

  FormSection* Find(std::string_view name);
  // Throws FormFileError for a line that is neither a section, a key=value
  // pair, a comment nor blank, for a pair before any section, for a value
  // that does not parse, and for a section or key given twice.
  static FormFile Parse(std::string_view text);
  std::string Write() const;
};

bool EqualNoCase(std::string_view a, std::string_view b);

// Puts `bytes` in the file at `path` in one step: they go to a temporary
// file beside it (path + ".tmp"), are flushed to the disk, and only then
// take the file's place. A save that fails half-way (a full disk, a killed
// process) leaves the old file whole. On failure the temporary file is
// removed, the reason goes to *error, and the answer is false.
bool ReplaceFileContents(const std::string& path, std::string_view bytes, std::string* error = nullptr);

}  // namespace velmora::demo
