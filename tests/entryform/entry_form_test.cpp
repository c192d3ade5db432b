#include <gtest/gtest.h>

#include "entryform/entry_page.h"
#include "entryform/entry_values.h"

namespace vt::entryform {
namespace {

using namespace std::string_literals;

TEST(EntryPage, EscapesTheValuesNotTheCaptionsAndDoublesALeadingLineBreak) {
  EXPECT_EQ(BuildEntryPage("A & <B>", "\"Jo\" &amp;", "Lee",
                           {{"<i>Hob<x-b>bies", "\r\nChess</textarea>"}}),
            "<html><head><title>Vellumtide</title><meta http-equiv='Content-Type' "
            "content='text/html; charset=iso-8859-1'></head>"
            "<body bgcolor='#FFFFFF' oncontextmenu='return false;'>"
            "<p><font face='Verdana, Arial'>Group: <b>A &amp; &lt;B&gt;</b></font></p>"
            "  <p><font size='2' face='Verdana, Arial'>First Name<br>"
            "    <input type='text' name='F_FirstName' value=\"&quot;Jo&quot; &amp;amp;\">"
            "    </font></p>  <p><font size='2' face='Verdana, Arial'>Last Name<br>"
            "    <input type='text' name='F_LastName' value=\"Lee\">    </font></p>"
            "<p><font face='Verdana, Arial' size='2'><i>Hob<x-b>bies</x-b></i></font><br>"
            "    <textarea name='cat1' cols='45' rows='10' wrap='VIRTUAL'>\n\r\n"
            "Chess&lt;/textarea&gt;</textarea>  </p>"
            "<p>&nbsp;</p><p>&nbsp;</p><p&nbsp;></p><p>&nbsp;</p><p>&nbsp;</p><p>&nbsp;</p>"
            "</body></html>");
}

// Only an INPUT named for a name and a TEXTAREA named cat1 to catN exactly are read; a category
// without a field keeps the text the page was built with.
TEST(GatherEntryValues, ProperCasesTheNamesAndTakesTextsByExactNameTheLaterWinning) {
  std::vector<PageElement> page = {
      {"INPUT", "F_LastName", "  \tmary-jane o'NEIL\nǆemal\vÉMILE\fcaf\xE9X\rzoë\0x\t  "s},
      {"INPUT", "cat1", "an input"}};
  for (const char* name :
       {"F_FirstName", "cat2", "cat4", "cat01", "cat", "cat1x", "cat99999999999999999999"}) {
    page.push_back({"TEXTAREA", name, "not taken"});
  }
  page.push_back({"TEXTAREA", "cat2", "  kept as typed \r\n"});
  const EntryValues values = GatherEntryValues(page, 3, {"shown one", "shown two"});
  EXPECT_EQ(values.firstName, std::nullopt);
  EXPECT_EQ(values.lastName, "\tMary-jane O'neil\nǅemal\vÉmile\fCaf\xE9x\rZoë\0X\t"s);
  EXPECT_EQ(values.categories, (std::vector<std::string>{"shown one", "  kept as typed \r\n", ""}));
}

}  // namespace
}  // namespace vt::entryform
