#include "entryform/entry_page.h"

#include "textdata/tagged_text.h"

namespace vt::entryform {
namespace {

bool StartsWithLineBreak(std::string_view text) {
  return !text.empty() && (text.front() == '\r' || text.front() == '\n');
}

void AppendCategoryBlock(std::string& page, long k, const CategoryField& field) {
  page += "<p><font face='Verdana, Arial' size='2'>";
  page += field.caption;
  page += "</font><br>";
  page += "    <textarea name='" + textdata::NumberedName(kCategoryFieldStem, k) +
          "' cols='45' rows='10' wrap='VIRTUAL'>";
  if (StartsWithLineBreak(field.text)) {
    page += '\n';
  }
  page += EscapeHtml(field.text);
  page += "</textarea>";
  page += "  </p>";
}

void AppendNameField(std::string& page, std::string_view label, std::string_view field,
                     std::string_view value) {
  page += "  <p><font size='2' face='Verdana, Arial'>";
  page += label;
  page += "<br>";
  page += "    <input type='text' name='";
  page += field;
  page += "' value=\"" + EscapeHtml(value) + "\">";
  page += "    </font></p>";
}

}  // namespace

std::string EscapeHtml(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string BuildEntryPage(std::string_view group, std::string_view firstName,
                           std::string_view lastName,
                           const std::vector<CategoryField>& categories) {
  std::string page =
      "<html><head><title>Vellumtide</title><meta http-equiv='Content-Type' "
      "content='text/html; charset=iso-8859-1'></head>"
      "<body bgcolor='#FFFFFF' oncontextmenu='return false;'>";
  page += "<p><font face='Verdana, Arial'>Group: <b>" + EscapeHtml(group) + "</b></font></p>";
  AppendNameField(page, "First Name", kFirstNameField, firstName);
  AppendNameField(page, "Last Name", kLastNameField, lastName);
  for (std::size_t k = 1; k <= categories.size(); ++k) {
    AppendCategoryBlock(page, static_cast<long>(k), categories[k - 1]);
  }
  page +=
      "<p>&nbsp;</p><p>&nbsp;</p><p&nbsp;></p><p>&nbsp;</p><p>&nbsp;</p><p>&nbsp;</p>"
      "</body></html>";
  return page;
}

std::vector<FieldValue> EntryFieldValues(std::string_view firstName, std::string_view lastName,
                                         const std::vector<CategoryField>& categories) {
  std::vector<FieldValue> values = {{std::string(kFirstNameField), std::string(firstName)},
                                    {std::string(kLastNameField), std::string(lastName)}};
  for (std::size_t k = 1; k <= categories.size(); ++k) {
    values.push_back({std::string(kCategoryFieldStem) + std::to_string(k), categories[k - 1].text});
  }
  return values;
}

}  // namespace vt::entryform
