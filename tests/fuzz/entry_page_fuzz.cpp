#include <gumbo.h>

#include "entryform/entry_page.h"
#include "entryform/entry_values.h"
#include "tests/fuzz/fuzz_support.h"

using namespace vt::entryform;

// The node's text; its form controls (any namespace) are added to `fields`.
static std::string Walk(const GumboNode& node, std::vector<PageElement>& fields) {
  if (node.type != GUMBO_NODE_ELEMENT && node.type != GUMBO_NODE_TEMPLATE) {
    return node.type == GUMBO_NODE_COMMENT ? "" : node.v.text.text;
  }
  const GumboElement& element = node.v.element;
  std::string held;
  for (unsigned i = 0; i < element.children.length; ++i) {
    held += Walk(*static_cast<const GumboNode*>(element.children.data[i]), fields);
  }
  const GumboAttribute* name = gumbo_get_attribute(&element.attributes, "name");
  const GumboAttribute* value = gumbo_get_attribute(&element.attributes, "value");
  if (element.tag == GUMBO_TAG_INPUT || element.tag == GUMBO_TAG_TEXTAREA ||
      element.tag == GUMBO_TAG_SELECT || element.tag == GUMBO_TAG_BUTTON) {
    fields.push_back({gumbo_normalized_tagname(element.tag), name ? name->value : "",
                      element.tag != GUMBO_TAG_INPUT ? held
                      : value                        ? value->value
                                                     : ""});
  }
  return held;
}

// The page's text as a browser parses it; its form controls are added to `fields`.
static std::string Parsed(const std::string& html, std::vector<PageElement>& fields) {
  GumboOutput* output = gumbo_parse_with_options(&kGumboDefaultOptions, html.data(), html.size());
  std::string text = Walk(*output->root, fields);
  gumbo_destroy_output(&kGumboDefaultOptions, output);
  return text;
}

// The group, the first and the last name, then a caption and a text per category.
VT_FUZZ_TARGET(input) {
  auto parts = vt::fuzz::Split(input);
  parts.resize(std::max<std::size_t>(parts.size(), 3));
  std::vector<CategoryField> categories;
  for (std::size_t i = 3; i + 1 < parts.size() && categories.size() < 50; i += 2) {
    categories.push_back({std::string(parts[i]), std::string(parts[i + 1])});
  }
  // Whatever the captions hold: the two name inputs, a text area per category, each with its text
  // as a field holds it (no markup, the parser's replacements made).
  std::vector<PageElement> fields, none;
  Parsed(BuildEntryPage(parts[0], parts[1], parts[2], categories), fields);
  const std::vector<FieldValue> given = EntryFieldValues(parts[1], parts[2], categories);
  VT_FUZZ_CHECK(fields.size() == given.size() && given.size() == categories.size() + 2);
  for (std::size_t i = 0; i < fields.size(); ++i) {
    VT_FUZZ_CHECK(fields[i].tagName == (i < 2 ? "input" : "textarea") &&
                  fields[i].name == given[i].name &&
                  fields[i].value == Parsed("<plaintext>" + given[i].text, none));
    // The view puts the texts given into the fields of their names, and the save takes them back.
    fields[i] = {i < 2 ? "INPUT" : "TEXTAREA", given[i].name, given[i].text};
  }
  const auto values = GatherEntryValues(fields, static_cast<std::int16_t>(categories.size()));
  VT_FUZZ_CHECK(values.firstName && values.lastName &&
                std::ranges::equal(values.categories, categories, {}, {}, &CategoryField::text));
}
