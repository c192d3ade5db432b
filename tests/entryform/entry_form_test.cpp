#include <gtest/gtest.h>

#include "entryform/entry_page.h"
#include "entryform/entry_values.h"

namespace vt::entryform {
namespace {

using Strings = std::vector<std::string>;

TEST(EntryPage, IsBuiltPieceByPiece) {
  const std::string page =
      BuildEntryPage("5A", "Ann", "Lee", {{"<i>Hobbies</i>", "Chess"}, {"Goals", ""}});
  EXPECT_EQ(page,
            "<html><head><title>Vellumtide</title><meta http-equiv='Content-Type' "
            "content='text/html; charset=iso-8859-1'></head>"
            "<body bgcolor='#FFFFFF' oncontextmenu='return false;'>"
            "<p><font face='Verdana, Arial'>Group: <b>5A</b></font></p>"
            "  <p><font size='2' face='Verdana, Arial'>First Name<br>"
            "    <input type='text' name='F_FirstName' value=\"Ann\">    </font></p>"
            "  <p><font size='2' face='Verdana, Arial'>Last Name<br>"
            "    <input type='text' name='F_LastName' value=\"Lee\">    </font></p>"
            "<p><font face='Verdana, Arial' size='2'><i>Hobbies</i></font><br>"
            "    <textarea name='cat1' cols='45' rows='10' wrap='VIRTUAL'>Chess</textarea>  </p>"
            "<p><font face='Verdana, Arial' size='2'>Goals</font><br>"
            "    <textarea name='cat2' cols='45' rows='10' wrap='VIRTUAL'></textarea>  </p>"
            "<p>&nbsp;</p><p>&nbsp;</p><p&nbsp;></p><p>&nbsp;</p><p>&nbsp;</p><p>&nbsp;</p>"
            "</body></html>");
}

TEST(EntryPage, EscapesValuesButNotCaptions) {
  const std::string page = BuildEntryPage("A & <B>", "\"Jo\" &amp;", "<Lee>",
                                          {{"<b>&amp;</b>", "</textarea><b>x</b> & \"y\""}});
  EXPECT_NE(page.find("Group: <b>A &amp; &lt;B&gt;</b>"), std::string::npos);
  EXPECT_NE(page.find("value=\"&quot;Jo&quot; &amp;amp;\">"), std::string::npos);
  EXPECT_NE(page.find("value=\"&lt;Lee&gt;\">"), std::string::npos);
  EXPECT_NE(page.find("size='2'><b>&amp;</b></font>"), std::string::npos);
  EXPECT_NE(page.find(">&lt;/textarea&gt;&lt;b&gt;x&lt;/b&gt; &amp; &quot;y&quot;</textarea>"),
            std::string::npos);
}

TEST(EntryPage, TextStartingWithALineBreakGetsOneMore) {
  const std::string page = BuildEntryPage("", "", "", {{"", "\r\nx"}, {"", "\ny"}, {"", " \r\nz"}});
  EXPECT_NE(page.find("wrap='VIRTUAL'>\n\r\nx</textarea>"), std::string::npos);
  EXPECT_NE(page.find("wrap='VIRTUAL'>\n\ny</textarea>"), std::string::npos);
  EXPECT_NE(page.find("wrap='VIRTUAL'> \r\nz</textarea>"), std::string::npos);
}

TEST(GatherEntryValues, ConvertsNamesAndTakesTextsUnchanged) {
  const EntryValues values = GatherEntryValues({{"INPUT", "F_FirstName", "  mary-jane o'NEIL  "},
                                                {"INPUT", "F_LastName", "\tMCDONALD "},
                                                {"TEXTAREA", "cat1", "  kept as typed \r\n"}},
                                               1);
  EXPECT_EQ(values.firstName, "Mary-jane O'neil");
  EXPECT_EQ(values.lastName, "\tMcdonald");
  EXPECT_EQ(values.categories, Strings{"  kept as typed \r\n"});
}

TEST(GatherEntryValues, MatchesExactNamesAndLaterElementsWin) {
  const EntryValues values = GatherEntryValues({{"TEXTAREA", "cat2", "first"},
                                                {"TEXTAREA", "cat2", "second"},
                                                {"TEXTAREA", "cat7", "beyond the count"},
                                                {"TEXTAREA", "cat01", "leading zero"},
                                                {"TEXTAREA", "Cat1", "letter case"},
                                                {"textarea", "cat1", "tag case"},
                                                {"INPUT", "cat1", "an input"},
                                                {"TEXTAREA", "F_FirstName", "a text area"},
                                                {"TEXTAREA", "cat5", "last"}},
                                               5);
  EXPECT_EQ(values.categories, (Strings{"", "second", "", "", "last"}));
  EXPECT_EQ(values.firstName, std::nullopt);
  EXPECT_EQ(values.lastName, std::nullopt);
  EXPECT_TRUE(GatherEntryValues({{"TEXTAREA", "cat1", "x"}}, 0).categories.empty());
  // A category the page did not show keeps the text it was built with.
  EXPECT_EQ(
      GatherEntryValues({{"TEXTAREA", "cat2", "typed"}}, 3, {"one", "two", "three"}).categories,
      (Strings{"one", "typed", "three"}));
}

}  // namespace
}  // namespace vt::entryform
