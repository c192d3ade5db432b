#include "slideshow/ini.h"
#include "tests/fuzz/fuzz_support.h"

// The section, the key and the value to write, then the file, separated by 0x1E.
VT_FUZZ_TARGET(input) {
  const auto parts = vt::fuzz::Split(input);
  // Names and values a line can hold: letters, digits, "_" and ".", and blanks inside names.
  constexpr std::string_view kName =
      " _.0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  if (parts.size() != 4 || parts[0].find_first_not_of(kName) != kName.npos ||
      parts[1].find_first_not_of(kName) != kName.npos ||
      parts[2].find_first_not_of(kName.substr(1)) != kName.npos || parts[2].size() > 254) {
    return;
  }
  const std::filesystem::path file = vt::fuzz::Scratch() / "settings.ini";
  vt::test::WriteBytes(file, parts[3]);
  VT_FUZZ_CHECK(vt::mIni::WriteIniValue(parts[0], parts[1], parts[2], file));
  // Only the key's own line changed, or lines were added: what differs lies within one line.
  const std::string_view before = parts[3];
  const std::string after = vt::test::ReadBytes(file);
  const auto head = std::mismatch(before.begin(), before.end(), after.begin(), after.end()).first;
  const auto kept = head - before.begin();
  const auto tail =
      std::mismatch(before.rbegin(), before.rend() - kept, after.rbegin(), after.rend() - kept)
          .first.base();
  VT_FUZZ_CHECK(std::find(head, tail, '\n') == tail);
  VT_FUZZ_CHECK(vt::mIni::ReadIniValue(parts[0], parts[1], "", file) == parts[2]);
}
