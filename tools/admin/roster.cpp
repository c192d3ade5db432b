#include "tools/admin/roster.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <map>

#include "app/attachment_tooltip.h"
#include "app/frm_main.h"
#include "app/paths.h"
#include "app/record_files.h"
#include "attachments/attachments.h"
#include "database/statements.h"
#include "files/folder.h"
#include "slideshow/import.h"
#include "slideshow/ini.h"
#include "textdata/encoding.h"
#include "textdata/setup_data.h"
#include "textdata/text.h"

namespace vt::admin {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kPersons = "SELECT p_id, p_fname, p_lname FROM persons ORDER BY p_id";
// In the order the memberships were made, so a person's first group comes first.
constexpr std::string_view kMemberships =
    "SELECT g_p_p_id, g_name FROM group_persons JOIN groups ON g_id = g_p_g_id "
    "ORDER BY group_persons.rowid";
constexpr std::string_view kSlideshowDescription = "slideshow.dat";

std::string Field(const database::ResultSet& rows, std::size_t row, std::string_view column) {
  return rows.Field(row, column).value_or(std::string());
}

// The modification time of the regular file, a link followed; no value for anything else.
std::optional<std::time_t> FileTime(const files::Folder& folder, const std::string& name) {
  struct stat status {};
  if (::fstatat(folder.fd(), name.c_str(), &status, 0) != 0 || !S_ISREG(status.st_mode)) {
    return std::nullopt;
  }
  return status.st_mtime;
}

// The captions CATEGORIES_1, CATEGORIES_2, ... up to the first one missing.
std::vector<std::string> Captions(const textdata::TaggedText& setup) {
  std::vector<std::string> captions;
  for (long n = 1;; ++n) {
    std::string caption = textdata::CategoryCaption(setup, n);
    if (caption.empty()) {
      return captions;
    }
    captions.push_back(std::move(caption));
  }
}

// What the installation holds once for all persons.
struct Installation {
  fs::path folder;
  textdata::TaggedText setup;
  std::vector<std::string> groupEntries;  // the wizard's group list, placeholder first
  std::map<std::string, std::vector<std::string>> memberships;
  std::optional<files::Folder> slideshows;
};

Outcome ReadDatabase(Installation& installation, database::ResultSet& persons) {
  std::unique_ptr<database::DatabasePort> db;
  if (Outcome opened = OpenInstallationDatabase(installation.folder, db); !opened) {
    return opened;
  }
  auto rows = db->Execute(kPersons);
  const auto memberships = db->Execute(kMemberships);
  if (!rows || !rows->Complete() || !memberships || !memberships->Complete()) {
    return UnreadableDatabase(installation.folder);
  }
  persons = std::move(*rows);
  installation.groupEntries = {app::kGroupPlaceholder};
  for (std::string& group : database::QueryGroupList(*db)) {
    installation.groupEntries.push_back(std::move(group));
  }
  for (std::size_t row = 0; row < memberships->RowCount(); ++row) {
    installation.memberships[Field(*memberships, row, "g_p_p_id")].push_back(
        textdata::DecodeText(Field(*memberships, row, "g_name")));
  }
  return {};
}

// The group index the wizard selects when it opens the profile: the first entry of the record's
// group in its list, or the placeholder.
long GroupIndex(const Installation& installation, const PersonRow& person) {
  if (!person.record || textdata::TrimBlanks(person.record->group).empty()) {
    return 0;
  }
  const auto& entries = installation.groupEntries;
  const auto found = std::find(entries.begin(), entries.end(), person.record->group);
  return found == entries.end() ? 0 : found - entries.begin();
}

// Each kind's attachment as the wizard's button shows it, the first by name when a crash left two.
void ReadAttachments(const Installation& installation, const fs::path& profile, PersonRow& person) {
  const long group = GroupIndex(installation, person);
  const app::AttachedByKind attachedByKind = app::AttachedFiles(profile);
  for (std::size_t k = 0; k < attachments::kAttachmentKindCount; ++k) {
    const attachments::FileKind& kind = attachments::kFileKinds[k];
    AttachmentState& state = person.attachments[k];
    state.allowed = textdata::IsKindAllowed(installation.setup, kind.allowSetting, group);
    state.limitMegabytes = textdata::GetMaxFileSize(installation.setup, kind.sizeSetting, group,
                                                    textdata::kMaxFileSizes)
                               .value_or(0);
    const std::vector<app::AttachedFile>& attached = attachedByKind[k];
    if (!attached.empty()) {
      state.file = attached.front().name;
      state.size = static_cast<std::uint64_t>(attached.front().size);
    }
  }
}

int SlideCount(const files::Folder& slideshow) {
  mIni::IniFile description(slideshow, std::string(kSlideshowDescription), {"SLIDESHOW"},
                            [](std::string_view section, std::string_view key) {
                              return section == "slideshow" && key == "total";
                            });
  return std::max(
      0,
      static_cast<int>(textdata::ReadLenientInt16(description.ReadValue("SLIDESHOW", "total", "0"))
                           .value_or(0)));
}

// The slideshow folder the wizard imports the person's presentation into.
void ReadSlideshow(const Installation& installation, PersonRow& person) {
  if (!installation.slideshows) {
    return;
  }
  const textdata::ProfileRecord record = person.record.value_or(textdata::ProfileRecord{});
  const std::string name =
      slideshow::SlideshowName(record.group, record.lastName, record.firstName, person.id);
  if (const auto folder = installation.slideshows->OpenChild(name)) {
    person.slideshow = app::SlideshowsFolder({}) / name;
    person.slides = SlideCount(*folder);
  }
}

void ReadProfile(const Installation& installation, const fs::path& folder, PersonRow& person) {
  const files::Result<files::Folder> profile = files::Folder::Open(folder);
  if (!profile) {
    return;
  }
  person.profile = app::ProfileFolder({}, person.id).value_or(fs::path());
  const std::string recordName(textdata::kProfileRecordName);
  person.record = app::ReadProfileRecord(folder / recordName);
  if (person.record) {
    person.savedTime = FileTime(*profile, recordName);
    const auto groups = installation.memberships.find(person.id);
    person.membershipAgrees = groups != installation.memberships.end() &&
                              std::find(groups->second.begin(), groups->second.end(),
                                        person.record->group) != groups->second.end();
    person.groupListed = GroupIndex(installation, person) > 0;
  }
  person.photoTime = FileTime(*profile, app::kProfilePhotoName);
  ReadAttachments(installation, folder, person);
}

// Texts of white space alone count as empty.
std::size_t FilledCategories(const PersonRow& person, std::size_t captions) {
  if (!person.record) {
    return 0;
  }
  const auto& texts = person.record->categories;
  return static_cast<std::size_t>(std::count_if(
      texts.begin(), texts.begin() + static_cast<long>(std::min(captions, texts.size())),
      [](const std::string& text) {
        return text.find_first_not_of(" \t\r\n") != std::string::npos;
      }));
}

}  // namespace

bool AttachmentState::OverLimit() const {
  return file && (!allowed || attachments::ExceedsLimit(static_cast<double>(size), limitMegabytes));
}

bool PersonRow::Complete(std::size_t categoryCount) const {
  return record && groupListed && categoriesFilled == categoryCount && photoTime;
}

Outcome ReadRoster(const fs::path& folder, Roster& roster) {
  if (const auto entry = files::StatPath(folder); !entry) {
    return {"cannot open " + folder.string() + ": " + entry.error().Describe()};
  }
  Installation installation{folder, {}, {}, {}, {}};
  database::ResultSet persons;
  if (Outcome read = ReadDatabase(installation, persons); !read) {
    return read;
  }
  installation.setup = textdata::TaggedText(app::ReadSetupText(app::SetupDataPath(folder)));
  if (auto slideshows = files::Folder::Open(app::SlideshowsFolder(folder))) {
    installation.slideshows.emplace(std::move(*slideshows));
  }
  roster.captions = Captions(installation.setup);
  roster.persons.clear();
  roster.persons.reserve(persons.RowCount());
  for (std::size_t row = 0; row < persons.RowCount(); ++row) {
    PersonRow& person = roster.persons.emplace_back();
    person.id = Field(persons, row, "p_id");
    person.firstName = textdata::DecodeText(Field(persons, row, "p_fname"));
    person.lastName = textdata::DecodeText(Field(persons, row, "p_lname"));
    if (const auto groups = installation.memberships.find(person.id);
        groups != installation.memberships.end()) {
      person.memberships = groups->second;
    }
    if (const auto profile = app::ProfileFolder(folder, person.id)) {
      ReadProfile(installation, *profile, person);
    }
    person.categoriesFilled = FilledCategories(person, roster.captions.size());
    ReadSlideshow(installation, person);
  }
  return {};
}

fs::path PhotoPath(const PersonRow& person) {
  return person.photoTime ? person.profile / app::kProfilePhotoName : fs::path();
}

fs::path AttachmentPath(const PersonRow& person, std::size_t kind) {
  const auto& file = person.attachments[kind].file;
  return file ? person.profile / *file : fs::path();
}

}  // namespace vt::admin
