#include "app/attachment_tooltip.h"

#include <cmath>

#include "attachments/attachments.h"
#include "files/folder.h"
#include "textdata/text.h"

namespace vt::app {
namespace {

std::string Capitalised(std::string text) {
  if (!text.empty()) {
    text[0] = textdata::AsciiUpper(text[0]);
  }
  return text;
}

// A presentation over the limit is still imported as the slideshow, only without its copy; other
// kinds over the limit are refused. A limit of 0 refuses every file that is not empty.
std::string AllowanceText(const attachments::FileKind& kind, const KindAllowance& allowance) {
  const std::string files = std::string(kind.noun) + " files";
  if (!allowance.allowed) {
    return "No " + files + (allowance.groupChosen ? " for this group" : " until a group is chosen");
  }
  const bool importsAnySize = kind.kind == attachments::kPresentationKind.kind;
  if (allowance.limit && *allowance.limit > 0) {
    const std::string upTo =
        Capitalised(files) + " up to " + std::to_string(*allowance.limit) + " MB";
    return importsAnySize ? upTo + "; larger ones are imported as the slideshow only" : upTo;
  }
  const std::string why = allowance.limit
                              ? "this group's limit is " + std::to_string(*allowance.limit) + " MB"
                              : "this group's size limit is not set";
  return importsAnySize ? Capitalised(files) + " are imported as the slideshow only: " + why
                        : "Only empty " + files + ": " + why;
}

// One decimal, in KB below 1 MB; 1 MB is 1,000,000 bytes, as in the limit test.
std::string SizeText(double bytes) {
  // Tenths of the unit as shown, so that 999,950 bytes read "1.0 MB" rather than "1000.0 KB".
  const auto tenths = [bytes](double unit) {
    return static_cast<std::uint64_t>(std::round(bytes * 10 / unit));
  };
  const bool kilobytes = tenths(1'000) < 10'000;
  const std::uint64_t shown = kilobytes ? tenths(1'000) : tenths(1'000'000);
  return std::to_string(shown / 10) + "." + std::to_string(shown % 10) +
         (kilobytes ? " KB" : " MB");
}

}  // namespace

AttachedByKind AttachedFiles(const std::filesystem::path& profileFolder) {
  AttachedByKind attached;
  if (profileFolder.empty()) {
    return attached;
  }
  const files::Result<files::Folder> folder = files::Folder::Open(profileFolder);
  if (!folder) {
    return attached;
  }
  const files::Result<std::vector<files::Entry>> entries = folder->List();
  if (!entries) {
    return attached;
  }
  for (std::size_t k = 0; k < attachments::kAttachmentKindCount; ++k) {
    for (std::string& name : attachments::FilesOfKind(*entries, attachments::kFileKinds[k].kind)) {
      const double size = attachments::GetFolderSize(profileFolder / name, true);
      attached[k].push_back({std::move(name), size});
    }
  }
  return attached;
}

std::string AttachmentToolTip(const attachments::FileKind& kind, const KindAllowance& allowance,
                              const std::vector<AttachedFile>& attached) {
  std::string text = AllowanceText(kind, allowance);
  if (attached.empty()) {
    return text + "\nNothing attached";
  }
  for (const AttachedFile& file : attached) {
    text += "\nAttached: " + file.name + ", " + SizeText(file.size);
  }
  return text;
}

}  // namespace vt::app
