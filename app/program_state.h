#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "database/database_port.h"
#include "textdata/profile_record.h"
#include "textdata/setup_data.h"
#include "textdata/tagged_text.h"

namespace vt::app {

// The state the wizard keeps for its whole run: the person's profile and the main window's own.
struct ProgramState {
  std::string sProfileID;
  std::filesystem::path sProfilePath;
  std::string sGroupName;
  std::string sOriginalGroup;  // the group the database holds the person in
  std::string sFirstName;
  std::string sLastName;
  std::int16_t iCatCount = 0;
  std::vector<std::string> sCategories;  // indexes 0 to iCatCount + 1; 1 to iCatCount are used

  std::unique_ptr<database::DatabasePort> mp_db;
  std::filesystem::path sIniPath;
  textdata::TaggedText txtSetupXML;  // the whole setup text, read once at window creation
  std::string txtTags;               // the header text of the slideshow package being imported
  bool bStarting = false;
  bool bLoading = false;
  std::int16_t iFormCatCount = 0;
  textdata::MaxFileSizeTable iMaxFileSizes{};
};

// Takes the record's values into the state. The original group is taken only while it is still
// empty: afterwards only a save changes it.
void ApplyProfileRecord(ProgramState& state, const textdata::ProfileRecord& record);

}  // namespace vt::app
