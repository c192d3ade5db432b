#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace vt::properties {

// A stored property value: Boolean, whole number (Integer and Long, colours), or text (paths, a
// font's description).
using PropertyValue = std::variant<bool, std::int64_t, std::string>;

// The properties a host keeps for one control, by key. A value equal to its default is never
// stored, so reading a key that is not there gives the default back.
class PropertyBag {
 public:
  bool ReadBool(std::string_view key, bool defaultValue) const;
  std::int64_t ReadNumber(std::string_view key, std::int64_t defaultValue) const;
  std::string ReadText(std::string_view key, std::string_view defaultValue) const;

  void Write(std::string_view key, bool value, bool defaultValue);
  void Write(std::string_view key, std::int64_t value, std::int64_t defaultValue);
  void Write(std::string_view key, std::string_view value, std::string_view defaultValue);
  // Text given as literals, which would otherwise convert to bool.
  void Write(std::string_view key, const char* value, const char* defaultValue) {
    Write(key, std::string_view(value), std::string_view(defaultValue));
  }

  bool Contains(std::string_view key) const;
  const std::map<std::string, PropertyValue, std::less<>>& Entries() const { return entries_; }

 private:
  std::map<std::string, PropertyValue, std::less<>> entries_;
};

// A control that keeps its properties in its host's bag and tells the host when one changed.
class PersistentControl {
 public:
  virtual ~PersistentControl() = default;
  // Loading a stored host: every key read with its default.
  virtual void ReadProperties(const PropertyBag& bag) = 0;
  // Storing the host: every key written with its default.
  virtual void WriteProperties(PropertyBag& bag) const = 0;

  // Called with the property's name each time a setter changes it.
  void SetChangeListener(std::function<void(std::string_view)> listener) {
    listener_ = std::move(listener);
  }

 protected:
  void PropertyChanged(std::string_view name) const {
    if (listener_) {
      listener_(name);
    }
  }

 private:
  std::function<void(std::string_view)> listener_;
};

// A host of controls: saves each control's bag under the control's name and loads them back, and
// knows whether a property changed since the last save or load.
class PropertyHost {
 public:
  // The control stays owned by the caller; its change listener is set to this host.
  void Add(std::string name, PersistentControl& control);

  std::map<std::string, PropertyBag> Save();
  void Load(const std::map<std::string, PropertyBag>& stored);

  bool Changed() const { return changed_; }
  const std::vector<std::string>& ChangedProperties() const { return changedProperties_; }

 private:
  std::vector<std::pair<std::string, PersistentControl*>> controls_;
  std::vector<std::string> changedProperties_;  // "control.property"
  bool changed_ = false;
};

}  // namespace vt::properties
