#include <gumbo.h>

#include <memory>

#include "entryform/entry_page.h"
#include "entryform/entry_values.h"
#include "tests/fuzz/fuzz_support.h"

using namespace vt::entryform;

static std::unique_ptr<GumboOutput, void (*)(GumboOutput*)> Parse(const std::string& html) {
  return {gumbo_parse_with_options(&kGumboDefaultOptions, html.data(), html.size()),
          [](GumboOutput* output) { gumbo_destroy_output(&kGumboDefaultOptions, output); }};
}

// Adds the node's text to `text`, and its form controls (any namespace) to `fields` if given.
static void Walk(const GumboNode& node, std::string& text, std::vector<PageElement>* fields) {
  if (node.type != GUMBO_NODE_ELEMENT && node.type != GUMBO_NODE_TEMPLATE) {
    text += node.type == GUMBO_NODE_COMMENT ? "" : node.v.text.text;
    return;
  }
  const GumboElement& element = node.v.element;
  std::string held;
  for (unsigned i = 0; i < element.children.length; ++i) {
    Walk(*static_cast<const GumboNode*>(element.children.data[i]), held, fields);
  }
  text += held;
  const GumboAttribute* name = gumbo_get_attribute(&element.attributes, "name");
  const GumboAttribute* value = gumbo_get_attribute(&element.attributes, "value");
  if (fields && (element.tag == GUMBO_TAG_INPUT || element.tag == GUMBO_TAG_TEXTAREA ||
                 element.tag == GUMBO_TAG_SELECT || element.tag == GUMBO_TAG_BUTTON)) {
    fields->push_back({gumbo_normalized_tagname(element.tag), name ? name->value : "",
                       element.tag != GUMBO_TAG_INPUT ? held
                       : value                        ? value->value
                                                      : ""});
  }
}

// The text as a field of a parsed page holds it: no markup, the parser's replacements made.
static std::string AsParsed(std::string_view text) {
  std::string parsed;
  Walk(*Parse("<plaintext>" + std::string(text))->root, parsed, nullptr);
  return parsed;
}

// The group, the first and the last name, then a caption and a text per category.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto parts = vt::fuzz::Split({reinterpret_cast<const char*>(data), size});
  parts.resize(std::max<std::size_t>(parts.size(), 3));
  std::vector<CategoryField> categories;
  std::vector<std::string> texts;
  for (std::size_t i = 3; i + 1 < parts.size() && categories.size() < 50; i += 2) {
    categories.push_back({std::string(parts[i]), std::string(parts[i + 1])});
    texts.emplace_back(parts[i + 1]);
  }
  // Whatever the captions hold: the two name inputs, a text area per category, each with its text.
  std::string text;
  std::vector<PageElement> fields;
  Walk(*Parse(BuildEntryPage(parts[0], parts[1], parts[2], categories))->root, text, &fields);
  const std::vector<FieldValue> given = EntryFieldValues(parts[1], parts[2], categories);
  VT_FUZZ_CHECK(fields.size() == given.size() && given.size() == categories.size() + 2);
  for (std::size_t i = 0; i < fields.size(); ++i) {
    VT_FUZZ_CHECK(fields[i].tagName == (i < 2 ? "input" : "textarea") &&
                  fields[i].name == given[i].name && fields[i].value == AsParsed(given[i].text));
    // The view puts the texts given into the fields of their names, and the save takes them back.
    fields[i] = {i < 2 ? "INPUT" : "TEXTAREA", given[i].name, given[i].text};
  }
  const auto values = GatherEntryValues(fields, static_cast<std::int16_t>(categories.size()));
  VT_FUZZ_CHECK(values.firstName && values.lastName && values.categories == texts);
  return 0;
}
