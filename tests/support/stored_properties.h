#pragma once

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "properties/property_bag.h"

namespace vt::test {

using Keys = std::set<std::string, std::less<>>;

// The `changed` properties are the keys stored, missing keys read as defaults, values come back.
inline void ExpectStored(const properties::PersistentControl& stored, const Keys& changed,
                         properties::PersistentControl& loaded) {
  properties::PropertyBag bag, reset, again;
  stored.WriteProperties(bag);
  loaded.ReadProperties({});
  loaded.WriteProperties(reset);
  loaded.ReadProperties(bag);
  loaded.WriteProperties(again);
  EXPECT_TRUE(reset.Entries().empty());
  Keys keys;  // clang 14 with libstdc++ 12 takes no std::views::keys of a map
  for (const auto& entry : bag.Entries()) {
    keys.insert(entry.first);
  }
  EXPECT_EQ(keys, changed);
  EXPECT_EQ(again.Entries(), bag.Entries());
}

}  // namespace vt::test
