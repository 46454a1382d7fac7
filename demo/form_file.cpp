#include "form_file.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace velmora::demo {

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (Lower(c) >= 'a' && Lower(c) <= 'f'); }

// A bare value that would read back as something other than text must be
// quoted when it is text.
bool NeedsQuotes(const std::string& text) {
  if (text.empty()) return true;
  if (text.front() == ' ' || text.front() == '\t' || text.back() == ' ' || text.back() == '\t') return true;
  if (text.front() == '"') return true;
  for (char c : text)
    if (c == '\n' || c == '\r' || c == '\\') return true;
  return ParseValue(text).kind != FormValue::Kind::Text;
}

}  // namespace

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t k = 0; k < a.size(); ++k)
    if (Lower(a[k]) != Lower(b[k])) return false;
  return true;
}

std::string FormatValue(const FormValue& value) {
  switch (value.kind) {
    case FormValue::Kind::Boolean: return value.boolean ? "True" : "False";
    case FormValue::Kind::Integer: return std::to_string(value.integer);
    case FormValue::Kind::Hex: {
      static const char digits[] = "0123456789ABCDEF";
      std::string out = "&H";
      const auto v = static_cast<std::uint32_t>(value.integer);
      for (int shift = 28; shift >= 0; shift -= 4) out += digits[(v >> shift) & 0xF];
      return out + "&";
    }
    case FormValue::Kind::Text: break;
  }
  if (!NeedsQuotes(value.text)) return value.text;
  std::string out = "\"";
  for (char c : value.text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default: out += c;
    }
  }
  return out + "\"";
}

FormValue ParseValue(std::string_view s) {
  if (!s.empty() && s.front() == '"') {
    std::string text;
    std::size_t k = 1;
    for (; k < s.size() && s[k] != '"'; ++k) {
      if (s[k] != '\\') {
        text += s[k];
        continue;
      }
      if (++k == s.size()) break;
      switch (s[k]) {
        case '"': text += '"'; break;
        case '\\': text += '\\'; break;
        case 'n': text += '\n'; break;
        case 'r': text += '\r'; break;
        case 't': text += '\t'; break;
        default: throw std::invalid_argument("unknown escape \\" + std::string(1, s[k]));
      }
    }
    if (k != s.size() - 1) throw std::invalid_argument("quoted text not closed where the value ends");
    return FormValue::Text(std::move(text));
  }
  if (EqualNoCase(s, "True")) return FormValue::Boolean(true);
  if (EqualNoCase(s, "False")) return FormValue::Boolean(false);
  if (s.size() >= 4 && s.size() <= 11 && s[0] == '&' && Lower(s[1]) == 'h' && s.back() == '&') {
    const std::string_view digits = s.substr(2, s.size() - 3);
    bool hex = true;
    for (char c : digits) hex = hex && IsHexDigit(c);
    if (hex) {
      std::uint32_t v = 0;
      std::from_chars(digits.data(), digits.data() + digits.size(), v, 16);
      return FormValue::Hex(v);
    }
  }
  if (!s.empty()) {
    std::int64_t v = 0;
    const char* first = s.data() + (s.front() == '+' ? 1 : 0);
    const auto [end, ec] = std::from_chars(first, s.data() + s.size(), v);
    if (ec == std::errc() && end == s.data() + s.size() && first != end) return FormValue::Integer(v);
  }
  return FormValue::Text(std::string(s));
}

const std::string* FormSection::Find(std::string_view key) const {
  for (const auto& [k, v] : entries)
    if (EqualNoCase(k, key)) return &v;
  return nullptr;
}

void FormSection::Set(std::string_view key, std::string spelled) {
  for (auto& [k, v] : entries) {
    if (EqualNoCase(k, key)) {
      v = std::move(spelled);
      return;
    }
  }
  entries.emplace_back(std::string(key), std::move(spelled));
}

void FormSection::Remove(std::string_view key) {
  std::erase_if(entries, [&](const auto& entry) { return EqualNoCase(entry.first, key); });
}

void FormSection::RemovePrefix(std::string_view prefix) {
  std::erase_if(entries, [&](const auto& entry) {
    return entry.first.size() >= prefix.size() && EqualNoCase(std::string_view(entry.first).substr(0, prefix.size()), prefix);
  });
}

FormSection* FormFile::Find(std::string_view name) {
  for (auto& section : sections)
    if (EqualNoCase(section.name, name)) return &section;
  return nullptr;
}

FormFile FormFile::Parse(std::string_view text) {
  FormFile file;
  int number = 0;
  // A UTF-8 byte order mark, as Windows editors write one.
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  while (!text.empty()) {
    ++number;
    const std::size_t eol = text.find('\n');
    const std::string_view line = Trim(text.substr(0, eol));
    text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;
    if (line.front() == '[') {
      if (line.back() != ']' || line.size() < 3) throw FormFileError(number, "a section name goes within [ ]");
      const std::string name(Trim(line.substr(1, line.size() - 2)));
      if (file.Find(name)) throw FormFileError(number, "section [" + name + "] given twice");
      file.sections.push_back(FormSection{name, {}});
      continue;
    }
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos || eq == 0) throw FormFileError(number, "expected Key=Value");
    if (file.sections.empty()) throw FormFileError(number, "a property before any [section]");
    const std::string key(Trim(line.substr(0, eq)));
    const std::string_view value = Trim(line.substr(eq + 1));
    try {
      ParseValue(value);
    } catch (const std::invalid_argument& e) {
      throw FormFileError(number, key + ": " + e.what());
    }
    FormSection& section = file.sections.back();
    if (section.Find(key)) throw FormFileError(number, key + " given twice in [" + section.name + "]");
    section.entries.emplace_back(key, std::string(value));
  }
  return file;
}

std::string FormFile::Write() const {
  std::string out;
  for (const auto& section : sections) {
    if (!out.empty()) out += '\n';
    out += '[' + section.name + "]\n";
    for (const auto& [key, value] : section.entries) out += key + '=' + value + '\n';
  }
  return out;
}

#ifdef _WIN32

namespace {

// Paths arrive as the program's arguments, in the system's code page.
std::wstring WidePath(const std::string& path) {
  const int n = MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), wide.data(), n);
  return wide;
}

std::string SystemMessage(DWORD code) {
  char text[256] = {};
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text, sizeof text,
                 nullptr);
  std::string out = text;
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ')) out.pop_back();
  return out.empty() ? "error " + std::to_string(code) : out;
}

}  // namespace

bool ReplaceFileContents(const std::string& path, std::string_view bytes, std::string* error) {
  const std::wstring target = WidePath(path), temporary = target + L".tmp";
  const char* step = "cannot create";
  HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
  bool ok = file != INVALID_HANDLE_VALUE;
  DWORD code = ok ? 0 : GetLastError();
  if (ok) {
    step = "cannot write";
    for (std::size_t at = 0; ok && at < bytes.size();) {
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - at, 1u << 30));
      DWORD written = 0;
      ok = WriteFile(file, bytes.data() + at, chunk, &written, nullptr) && written == chunk;
      at += written;
    }
    if (ok) step = "cannot flush";
    ok = ok && FlushFileBuffers(file);
    if (!ok) code = GetLastError();
    if (!CloseHandle(file) && ok) ok = false, code = GetLastError();
    if (ok) {
      step = "cannot replace";
      ok = MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
      if (!ok) code = GetLastError();
    }
    if (!ok) DeleteFileW(temporary.c_str());
  }
  if (!ok && error) *error = std::string(step) + " " + path + ": " + SystemMessage(code);
  return ok;
}

#else

bool ReplaceFileContents(const std::string& path, std::string_view bytes, std::string* error) {
  const std::string temporary = path + ".tmp";
  const char* step = "cannot create";
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  bool ok = fd >= 0;
  int code = ok ? 0 : errno;
  if (ok) {
    step = "cannot write";
    for (std::size_t at = 0; ok && at < bytes.size();) {
      const ssize_t n = ::write(fd, bytes.data() + at, bytes.size() - at);
      if (n < 0 && errno == EINTR) continue;
      if (n == 0) errno = EIO;
      ok = n > 0;
      if (ok) at += static_cast<std::size_t>(n);
    }
    if (ok) step = "cannot flush";
    ok = ok && ::fsync(fd) == 0;
    if (!ok) code = errno;
    if (::close(fd) != 0 && ok) ok = false, code = errno;
    if (ok) {
      step = "cannot replace";
      ok = std::rename(temporary.c_str(), path.c_str()) == 0;
      if (!ok) code = errno;
    }
    if (!ok) ::unlink(temporary.c_str());
  }
  if (!ok && error) *error = std::string(step) + " " + path + ": " + std::strerror(code);
  return ok;
}

#endif

}  // namespace velmora::demo
