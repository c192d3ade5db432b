#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "attachments/file_kinds.h"
#include "textdata/profile_record.h"
#include "tools/admin/installation.h"

namespace vt::admin {

// One attachment kind of a person: what the profile folder holds and what the group allows.
struct AttachmentState {
  std::optional<std::string> file;  // its name in the profile folder
  std::uint64_t size = 0;
  bool allowed = false;
  std::int16_t limitMegabytes = 0;  // of the group, when allowed

  // Attached, and either not allowed for the group or larger than its limit.
  bool OverLimit() const;
};

// One person as the organiser sees the entry: the database's row next to the profile's files.
struct PersonRow {
  std::string id;
  std::string firstName;  // the database's
  std::string lastName;
  std::vector<std::string> memberships;  // the database's group names
  std::filesystem::path profile;         // relative to the installation; empty without a folder
  std::optional<textdata::ProfileRecord> record;
  bool groupListed = false;       // the record's group is one of the database's groups
  bool membershipAgrees = false;  // the database holds the person in the record's group
  std::size_t categoriesFilled = 0;
  std::optional<std::time_t> photoTime;
  std::array<AttachmentState, attachments::kAttachmentKindCount> attachments;
  std::filesystem::path slideshow;  // relative to the installation; empty when there is none
  int slides = 0;
  std::optional<std::time_t> savedTime;  // of the record

  // A record in a listed group, every category filled and a photo.
  bool Complete(std::size_t categoryCount) const;
};

// An installation's persons in profile-identifier order, with the setup data's category captions
// (markup and all).
struct Roster {
  std::vector<std::string> captions;
  std::vector<PersonRow> persons;
};

// Reads the installation at `folder`. Fails for a missing folder, one without a database, or a
// database that cannot be read; a person's missing or damaged files only leave their fields empty.
Outcome ReadRoster(const std::filesystem::path& folder, Roster& roster);

// The photo's path relative to the installation; empty when there is none.
std::filesystem::path PhotoPath(const PersonRow& person);
// The attachment's path relative to the installation; empty when there is none.
std::filesystem::path AttachmentPath(const PersonRow& person, std::size_t kind);

}  // namespace vt::admin
