#include "properties/property_bag.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vt::properties {
namespace {

TEST(PropertyBag, StoresOnlyValuesThatDifferFromTheirDefault) {
  PropertyBag bag;
  bag.Write("Enabled", false, false);
  bag.Write("Border", std::int64_t{1}, std::int64_t{1});
  bag.Write("Text", std::string("Page: "), std::string("Page: "));
  EXPECT_TRUE(bag.Entries().empty());
  EXPECT_TRUE(bag.ReadBool("Enabled", true)) << "a missing key reads as its default";

  bag.Write("Enabled", true, false);
  bag.Write("Border", std::int64_t{-7}, std::int64_t{1});
  bag.Write("Text", std::string(""), std::string("Page: "));
  EXPECT_TRUE(bag.ReadBool("Enabled", false));
  EXPECT_EQ(bag.ReadNumber("Border", 1), -7);
  EXPECT_EQ(bag.ReadText("Text", "Page: "), "");
  EXPECT_EQ(bag.ReadNumber("Enabled", 5), 5) << "a value of another kind reads as missing";

  // Writing the default again removes the stored value.
  bag.Write("Enabled", false, false);
  bag.Write("Border", std::int64_t{1}, std::int64_t{1});
  bag.Write("Text", std::string("Page: "), std::string("Page: "));
  EXPECT_TRUE(bag.Entries().empty());
}

// A control with one number kept under "Value" (default 3).
class CounterControl : public PersistentControl {
 public:
  std::int64_t value = 3;

  void Set(std::int64_t v) {
    value = v;
    PropertyChanged("Value");
  }
  // Applies through its setter, which reports, as controls may.
  void ReadProperties(const PropertyBag& bag) override { Set(bag.ReadNumber("Value", 3)); }
  void WriteProperties(PropertyBag& bag) const override { bag.Write("Value", value, 3); }
};

TEST(PropertyHost, SavesAndLoadsEachControlAndNotesChangesInBetween) {
  CounterControl first;
  CounterControl second;
  PropertyHost host;
  host.Add("first", first);
  host.Add("second", second);
  second.Set(3);
  first.Set(9);
  EXPECT_TRUE(host.Changed());
  EXPECT_EQ(host.ChangedProperties(), (std::vector<std::string>{"second.Value", "first.Value"}));

  const std::map<std::string, PropertyBag> stored = host.Save();
  EXPECT_FALSE(host.Changed());
  EXPECT_TRUE(host.ChangedProperties().empty());
  ASSERT_EQ(stored.size(), 2u);
  EXPECT_EQ(stored.at("first").ReadNumber("Value", 3), 9);
  EXPECT_TRUE(stored.at("second").Entries().empty());

  second.Set(7);
  host.Load({{"first", stored.at("first")}});
  EXPECT_EQ(first.value, 9);
  EXPECT_EQ(second.value, 3) << "a control missing from the store reads every default";
  EXPECT_FALSE(host.Changed()) << "what loading applies is not a change";
}

}  // namespace
}  // namespace vt::properties
