#include "entryform/entry_page.h"

#include <gumbo.h>

#include <algorithm>
#include <array>
#include <memory>

#include "textdata/tagged_text.h"
#include "textdata/text.h"

namespace vt::entryform {
namespace {

struct GumboOutputDeleter {
  void operator()(GumboOutput* output) const {
    gumbo_destroy_output(&kGumboDefaultOptions, output);
  }
};

// Elements that would add fields to the page, and elements that have no end tag.
constexpr std::array kFormControls = {GUMBO_TAG_INPUT, GUMBO_TAG_TEXTAREA, GUMBO_TAG_SELECT,
                                      GUMBO_TAG_BUTTON, GUMBO_TAG_FORM};
constexpr std::array kVoidElements = {
    GUMBO_TAG_AREA,   GUMBO_TAG_BASE,  GUMBO_TAG_BR,   GUMBO_TAG_COL,  GUMBO_TAG_EMBED,
    GUMBO_TAG_HR,     GUMBO_TAG_IMG,   GUMBO_TAG_LINK, GUMBO_TAG_META, GUMBO_TAG_PARAM,
    GUMBO_TAG_SOURCE, GUMBO_TAG_TRACK, GUMBO_TAG_WBR};

template <std::size_t N>
bool IsOneOf(GumboTag tag, const std::array<GumboTag, N>& tags) {
  return std::find(tags.begin(), tags.end(), tag) != tags.end();
}

std::string TagNameOf(const GumboElement& element) {
  if (element.tag != GUMBO_TAG_UNKNOWN) {
    return gumbo_normalized_tagname(element.tag);
  }
  GumboStringPiece original = element.original_tag;
  gumbo_tag_from_original_text(&original);
  std::string name(original.data, original.length);
  std::transform(name.begin(), name.end(), name.begin(), textdata::AsciiLower);
  return name;
}

bool IsPlainTagName(std::string_view name) {
  return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
  });
}

void Serialize(const GumboNode& node, std::string& out);

void SerializeChildren(const GumboVector& children, std::string& out) {
  for (unsigned i = 0; i < children.length; ++i) {
    Serialize(*static_cast<const GumboNode*>(children.data[i]), out);
  }
}

// Markup as the parser understood it, every element closed; comments and form fields left out.
void Serialize(const GumboNode& node, std::string& out) {
  switch (node.type) {
    case GUMBO_NODE_TEXT:
    case GUMBO_NODE_CDATA:
    case GUMBO_NODE_WHITESPACE:
      out += EscapeHtml(node.v.text.text);
      return;
    case GUMBO_NODE_ELEMENT:
    case GUMBO_NODE_TEMPLATE:
      break;
    default:
      return;
  }
  const GumboElement& element = node.v.element;
  if (IsOneOf(element.tag, kFormControls)) {
    return;
  }
  // Only the text of a tag whose name would read as another element in the page ("<select\v>"
  // is no SELECT here, "<select>" would be) or that would turn the rest of the page into text
  // (PLAINTEXT has no end tag).
  const std::string name = TagNameOf(element);
  const bool readAsAnother =
      element.tag == GUMBO_TAG_UNKNOWN && gumbo_tag_enum(name.c_str()) != GUMBO_TAG_UNKNOWN;
  if (!IsPlainTagName(name) || readAsAnother || element.tag == GUMBO_TAG_PLAINTEXT) {
    SerializeChildren(element.children, out);
    return;
  }
  out += "<" + name;
  for (unsigned i = 0; i < element.attributes.length; ++i) {
    const auto* attribute = static_cast<const GumboAttribute*>(element.attributes.data[i]);
    out += " " + std::string(attribute->name) + "=\"" + EscapeHtml(attribute->value) + "\"";
  }
  out += ">";
  if (IsOneOf(element.tag, kVoidElements)) {
    return;
  }
  SerializeChildren(element.children, out);
  out += "</" + name + ">";
}

// A caption parsed on its own, as the body of a page of its own, and written back well formed: an
// unclosed quote, comment, title or script ends with the caption instead of swallowing the fields
// after it.
std::string ContainedCaption(std::string_view caption) {
  const std::string page = "<body>" + std::string(caption);
  const std::unique_ptr<GumboOutput, GumboOutputDeleter> parsed(
      gumbo_parse_with_options(&kGumboDefaultOptions, page.data(), page.size()));
  std::string out;
  const GumboVector& html = parsed->root->v.element.children;
  for (unsigned i = 0; i < html.length; ++i) {
    const auto* part = static_cast<const GumboNode*>(html.data[i]);
    // The head gains what belongs there (a title); it is shown nowhere either way.
    if (part->type == GUMBO_NODE_ELEMENT && part->v.element.tag == GUMBO_TAG_BODY) {
      SerializeChildren(part->v.element.children, out);
    }
  }
  return out;
}

bool StartsWithLineBreak(std::string_view text) {
  return !text.empty() && (text.front() == '\r' || text.front() == '\n');
}

void AppendCategoryBlock(std::string& page, long k, const CategoryField& field) {
  page += "<p><font face='Verdana, Arial' size='2'>";
  page += ContainedCaption(field.caption);
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
