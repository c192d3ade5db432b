#include "app/program_state.h"

namespace vt::app {

void ApplyProfileRecord(ProgramState& state, const textdata::ProfileRecord& record) {
  state.sGroupName = record.group;
  if (state.sOriginalGroup.empty()) {
    state.sOriginalGroup = state.sGroupName;
  }
  state.sFirstName = record.firstName;
  state.sLastName = record.lastName;
  state.iCatCount = static_cast<std::int16_t>(record.categories.size());
  state.sCategories.assign(record.categories.size() + 2, std::string());
  std::copy(record.categories.begin(), record.categories.end(), state.sCategories.begin() + 1);
}

}  // namespace vt::app
