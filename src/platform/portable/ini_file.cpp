#include "platform/portable/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cwctype>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/portable/utf8.h"

namespace pf {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

std::wstring Trim(const std::wstring& s) {
  size_t b = 0;
  size_t e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

bool EqualNoCase(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(b[i])))
      return false;
  }
  return true;
}

// One line of the file as read; kind tells how it was understood.
struct Line {
  enum Kind { kOther, kSection, kEntry } kind = kOther;
  std::wstring text;   // the line as stored, without its line end
  std::wstring name;   // section name or key, trimmed
  std::wstring value;  // entry value, trimmed
};

Line Classify(const std::wstring& raw) {
  Line line;
  line.text = raw;
  const std::wstring t = Trim(raw);
  if (!t.empty() && t[0] == L'[') {
    const size_t close = t.find(L']');
    line.kind = Line::kSection;
    line.name = Trim(t.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1));
    return line;
  }
  const size_t eq = t.find(L'=');
  if (eq != std::wstring::npos) {
    line.kind = Line::kEntry;
    line.name = Trim(t.substr(0, eq));
    line.value = Trim(t.substr(eq + 1));
  }
  return line;
}

// Reads the whole file into `bytes`, reusing its storage; false when the file
// cannot be read or is over the cap (then tooLarge is set).
bool ReadCappedInto(const std::string& path, std::string& bytes, bool& tooLarge) {
  tooLarge = false;
  bytes.clear();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && st.st_size > 0) {
    if (static_cast<uint64_t>(st.st_size) > kMaxIniFileBytes) {
      tooLarge = true;
      ::close(fd);
      return false;
    }
    // Room for the whole file and one byte more, so that the end is seen in one read.
    bytes.reserve(static_cast<size_t>(st.st_size) + 1);
  }
  for (;;) {
    const size_t used = bytes.size();
    bytes.resize(std::max(bytes.capacity(), used + 4096));
    const ssize_t n = ::read(fd, &bytes[used], bytes.size() - used);
    if (n < 0 && errno == EINTR) {
      bytes.resize(used);
      continue;
    }
    bytes.resize(used + static_cast<size_t>(n > 0 ? n : 0));
    if (n < 0) {
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    // The file may grow while it is read.
    if (bytes.size() > kMaxIniFileBytes) {
      tooLarge = true;
      ::close(fd);
      return false;
    }
  }
  ::close(fd);
  return true;
}

bool StartsWithBom(const std::string& bytes) {
  return bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF &&
         static_cast<unsigned char>(bytes[1]) == 0xBB && static_cast<unsigned char>(bytes[2]) == 0xBF;
}

std::vector<Line> Parse(std::string bytes) {
  if (StartsWithBom(bytes)) bytes.erase(0, 3);
  std::vector<Line> lines;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    std::string raw = bytes.substr(start, end - start);
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    lines.push_back(Classify(FromUtf8(raw)));
    start = end + 1;
  }
  return lines;
}

// The file's lines; nothing when it cannot be read or is over the cap.
// hadBom tells whether the file began with a UTF-8 byte-order mark.
std::optional<std::vector<Line>> Load(const std::string& path, bool& tooLarge, bool& hadBom) {
  std::string bytes;
  hadBom = false;
  if (!ReadCappedInto(path, bytes, tooLarge)) return std::nullopt;
  hadBom = StartsWithBom(bytes);
  return Parse(std::move(bytes));
}

std::wstring StripQuotes(const std::wstring& v) {
  if (v.size() > 1 && (v.front() == L'"' || v.front() == L'\'') && v.back() == v.front())
    return v.substr(1, v.size() - 2);
  return v;
}

std::wstring Folded(const std::wstring& text) {
  std::wstring folded = text;
  for (wchar_t& c : folded) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
  return folded;
}

// Reads see a file as the profile functions do: the value of the first
// matching key in the first section of that name (later sections of the same
// name are not looked at), lines before any section header form the nameless
// section, and names are trimmed and compared without letter case.
//
// A read of one key used to load and parse the whole file, so reading every
// key of a file grew with the square of its size.  The parsed file is kept
// with its bytes and used again while the file holds exactly those bytes: a
// read still reads the file (any change by anyone is seen at once) but only
// compares it, and finds the key through an index built by the rule above.
class ParsedFiles {
 public:
  std::optional<std::wstring> Find(const std::string& path, const std::wstring& section,
                                   const std::wstring& key) {
    std::lock_guard<std::mutex> hold(lock_);
    // Read into storage kept from the last read: a fresh allocation per read
    // costs more than the read itself.
    bool tooLarge = false;
    if (!ReadCappedInto(path, scratch_, tooLarge)) return std::nullopt;
    Entry* entry = nullptr;
    for (Entry& e : entries_)
      if (e.path == path) entry = &e;
    if (!entry) {
      if (entries_.size() >= kEntries) entries_.erase(entries_.begin());
      entries_.push_back(Entry{path, std::string(), {}, false});
      entry = &entries_.back();
    }
    if (!entry->parsed || entry->bytes != scratch_) {
      Index(Parse(scratch_), entry->index);
      entry->bytes = scratch_;
      entry->parsed = true;
    }
    const auto it = entry->index.find(Folded(Trim(section)) + L'\0' + Folded(Trim(key)));
    if (it == entry->index.end()) return std::nullopt;
    return it->second;
  }

  void Forget(const std::string& path) {
    std::lock_guard<std::mutex> hold(lock_);
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
      if (it->path == path) {
        entries_.erase(it);
        return;
      }
    }
  }

 private:
  using KeyIndex = std::unordered_map<std::wstring, std::wstring>;

  static void Index(const std::vector<Line>& lines, KeyIndex& index) {
    index.clear();
    std::unordered_map<std::wstring, bool> seen{{std::wstring(), true}};  // the nameless section
    std::wstring current;  // the section being read, folded
    bool first = true;     // whether it is the first section of its name
    for (const Line& line : lines) {
      if (line.kind == Line::kSection) {
        current = Folded(line.name);
        first = seen.emplace(current, true).second;
      } else if (line.kind == Line::kEntry && first) {
        // The first key of that name in the section wins.
        index.emplace(current + L'\0' + Folded(line.name), StripQuotes(line.value));
      }
    }
  }

  static constexpr size_t kEntries = 4;  // the settings file and a few others
  struct Entry {
    std::string path;
    std::string bytes;
    KeyIndex index;
    bool parsed = false;
  };
  std::mutex lock_;
  std::vector<Entry> entries_;
  std::string scratch_;
};

ParsedFiles& Parsed() {
  static ParsedFiles files;
  return files;
}

// The folder part of a path ("." when there is none).
std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Writes a fresh file beside the target under a unique name, flushes it,
// renames it over the target and flushes the folder, so the target is always
// either the old file or the new one.  The file is private to the user.
bool WriteAtomically(const std::string& path, const std::string& bytes) {
  std::string temp = path + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return false;
  ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  if (::fchmod(fd, 0600) != 0) {
    ::close(fd);
    ::unlink(temp.c_str());
    return false;
  }
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ::close(fd);
      ::unlink(temp.c_str());
      return false;
    }
    done += static_cast<size_t>(n);
  }
  if (::fsync(fd) != 0 || ::close(fd) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  const int dir = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

}  // namespace

std::wstring WithoutLineBreaks(const std::wstring& text) {
  std::wstring out;
  out.reserve(text.size());
  for (const wchar_t c : text)
    if (c != L'\r' && c != L'\n' && c != L'\0') out += c;
  return out;
}

int32_t ParseProfileInt(const std::wstring& text) {
  size_t i = 0;
  while (i < text.size() && static_cast<uint32_t>(text[i]) <= L' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
    negative = text[i] == L'-';
    ++i;
  }
  uint32_t value = 0;  // wraps like the platform's 32-bit accumulator
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i)
    value = value * 10u + static_cast<uint32_t>(text[i] - L'0');
  if (negative) value = 0u - value;
  return static_cast<int32_t>(value);
}

std::wstring IniFile::ReadText(const std::wstring& section, const std::wstring& key,
                               const std::wstring& defaultValue, const std::wstring& file,
                               int bufferUnits) {
  if (bufferUnits <= 0) return std::wstring();
  const auto maxUnits = static_cast<size_t>(bufferUnits - 1);
  std::optional<std::wstring> value = Parsed().Find(ToUtf8(file), section, key);
  if (!value) {
    // The profile functions drop trailing blanks from the default.
    std::wstring def = defaultValue;
    while (!def.empty() && def.back() == L' ') def.pop_back();
    value = def;
  }
  return CutToUtf16Units(*value, maxUnits);
}

int32_t IniFile::ReadInt(const std::wstring& section, const std::wstring& key,
                         int32_t defaultValue, const std::wstring& file) {
  const std::wstring text = ReadText(section, key, L"", file, 30);
  if (text.empty()) return defaultValue;
  return ParseProfileInt(text);
}

bool IniFile::WriteText(const std::wstring& sectionName, const std::wstring& keyName,
                        const std::wstring& valueText, const std::wstring& file) {
  const std::string path = ToUtf8(file);
  // One writer at a time in this process, so two threads editing one file
  // never lose each other's change.
  static std::mutex writeLock;
  std::lock_guard<std::mutex> hold(writeLock);
  std::vector<Line> lines;
  bool tooLarge = false;
  bool hadBom = false;
  if (auto loaded = Load(path, tooLarge, hadBom)) lines = std::move(*loaded);
  // A file over the cap is not ours to rewrite: it stays as it is.
  if (tooLarge) return false;
  const std::wstring section = WithoutLineBreaks(sectionName);
  const std::wstring key = WithoutLineBreaks(keyName);
  const std::wstring value = WithoutLineBreaks(valueText);

  const std::wstring entry = key + L"=" + value;
  // Locate the first section of that name and, inside it, the key.
  size_t sectionLine = lines.size();
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].kind == Line::kSection && EqualNoCase(lines[i].name, section)) {
      sectionLine = i;
      break;
    }
  }
  if (sectionLine == lines.size()) {
    if (!lines.empty() && !Trim(lines.back().text).empty()) lines.push_back(Classify(L""));
    lines.push_back(Classify(L"[" + section + L"]"));
    lines.push_back(Classify(entry));
  } else {
    size_t lastContent = sectionLine;
    size_t keyLine = lines.size();
    for (size_t i = sectionLine + 1; i < lines.size() && lines[i].kind != Line::kSection; ++i) {
      if (lines[i].kind == Line::kEntry && EqualNoCase(lines[i].name, key)) {
        keyLine = i;
        break;
      }
      if (!Trim(lines[i].text).empty()) lastContent = i;
    }
    if (keyLine != lines.size()) {
      // Keep the stored spelling of the key.
      lines[keyLine] = Classify(lines[keyLine].name + L"=" + value);
    } else {
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(lastContent + 1), Classify(entry));
    }
  }

  // A byte-order mark the file began with is written back: without it, a
  // first line that itself begins with a mark would lose what hid it and
  // turn into a header or key that was not there before.
  std::string bytes = hadBom ? "\xEF\xBB\xBF" : "";
  for (const Line& line : lines) {
    bytes += ToUtf8(line.text);
    bytes += "\r\n";
  }
  const bool written = WriteAtomically(path, bytes);
  Parsed().Forget(path);
  return written;
}

}  // namespace pf
