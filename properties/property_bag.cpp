#include "properties/property_bag.h"

#include <utility>

namespace vt::properties {
namespace {

// A stored value of another type than the one asked for reads as the default, as a missing key.
template <typename T, typename Default>
T ReadAs(const std::map<std::string, PropertyValue, std::less<>>& entries, std::string_view key,
         Default defaultValue) {
  const auto found = entries.find(key);
  if (found == entries.end()) {
    return T(defaultValue);
  }
  const T* value = std::get_if<T>(&found->second);
  return value != nullptr ? *value : T(defaultValue);
}

template <typename T>
void Store(std::map<std::string, PropertyValue, std::less<>>& entries, std::string_view key,
           T value, bool isDefault) {
  const auto found = entries.find(key);
  if (isDefault) {
    if (found != entries.end()) {
      entries.erase(found);
    }
  } else if (found != entries.end()) {
    found->second = std::move(value);
  } else {
    entries.emplace(std::string(key), std::move(value));
  }
}

}  // namespace

bool PropertyBag::ReadBool(std::string_view key, bool defaultValue) const {
  return ReadAs<bool>(entries_, key, defaultValue);
}

std::int64_t PropertyBag::ReadNumber(std::string_view key, std::int64_t defaultValue) const {
  return ReadAs<std::int64_t>(entries_, key, defaultValue);
}

std::string PropertyBag::ReadText(std::string_view key, std::string_view defaultValue) const {
  return ReadAs<std::string>(entries_, key, defaultValue);
}

void PropertyBag::Write(std::string_view key, bool value, bool defaultValue) {
  Store(entries_, key, value, value == defaultValue);
}

void PropertyBag::Write(std::string_view key, std::int64_t value, std::int64_t defaultValue) {
  Store(entries_, key, value, value == defaultValue);
}

void PropertyBag::Write(std::string_view key, std::string_view value,
                        std::string_view defaultValue) {
  Store(entries_, key, std::string(value), value == defaultValue);
}

bool PropertyBag::Contains(std::string_view key) const {
  return entries_.find(key) != entries_.end();
}

void PropertyHost::Add(std::string name, PersistentControl& control) {
  control.SetChangeListener([this, name](std::string_view property) {
    changed_ = true;
    changedProperties_.push_back(name + "." + std::string(property));
  });
  controls_.emplace_back(std::move(name), &control);
}

std::map<std::string, PropertyBag> PropertyHost::Save() {
  std::map<std::string, PropertyBag> stored;
  for (const auto& [name, control] : controls_) {
    control->WriteProperties(stored[name]);
  }
  changed_ = false;
  changedProperties_.clear();
  return stored;
}

void PropertyHost::Load(const std::map<std::string, PropertyBag>& stored) {
  const PropertyBag empty;
  for (const auto& [name, control] : controls_) {
    const auto found = stored.find(name);
    control->ReadProperties(found != stored.end() ? found->second : empty);
  }
  // Applying what was read is not a change by the person.
  changed_ = false;
  changedProperties_.clear();
}

}  // namespace vt::properties
