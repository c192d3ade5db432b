#include "properties/property_bag.h"

#include <gtest/gtest.h>

namespace vt::properties {
namespace {

TEST(PropertyBag, KeepsOnlyValuesOtherThanTheirDefaultAndReadsAnotherKindAsMissing) {
  PropertyBag bag;
  bag.Write("On", true, false);
  bag.Write("Border", std::int64_t{5}, std::int64_t{1});
  bag.Write("Border", std::int64_t{-7}, std::int64_t{1});
  bag.Write("Text", "", "Page: ");
  bag.Write("Same", "x", "x");
  EXPECT_EQ(std::tuple(bag.Entries().size(), bag.ReadBool("On", false), bag.ReadNumber("Border", 1),
                       bag.ReadText("Text", "Page: "), bag.ReadNumber("On", 5)),
            std::tuple(3u, true, -7, "", 5));
  bag.Write("Border", std::int64_t{1}, std::int64_t{1});
  EXPECT_EQ(bag.Entries().size(), 2u) << "writing the default takes the value away";
}

// One number kept under "Value" (default 3), applied through its setter, which reports.
struct Counter : PersistentControl {
  void Set(std::int64_t v) {
    value = v;
    PropertyChanged("Value");
  }
  void ReadProperties(const PropertyBag& bag) override { Set(bag.ReadNumber("Value", 3)); }
  void WriteProperties(PropertyBag& bag) const override { bag.Write("Value", value, 3); }
  std::int64_t value = 3;
};

TEST(PropertyHost, SavesAndLoadsEachControlAndNotesTheChangesInBetween) {
  Counter first, second;
  PropertyHost host;
  host.Add("first", first);
  host.Add("second", second);
  second.Set(3);
  first.Set(9);
  EXPECT_TRUE(host.Changed());
  EXPECT_EQ(host.ChangedProperties(), (std::vector<std::string>{"second.Value", "first.Value"}));
  const std::map<std::string, PropertyBag> stored = host.Save();
  EXPECT_FALSE(host.Changed() || !host.ChangedProperties().empty());
  second.Set(7);
  host.Load({{"first", stored.at("first")}});
  // A control missing from the store reads every default; what loading applies is no change.
  EXPECT_EQ(std::pair(first.value, second.value), std::pair(std::int64_t{9}, std::int64_t{3}));
  EXPECT_FALSE(host.Changed() || !host.ChangedProperties().empty());
}

}  // namespace
}  // namespace vt::properties
