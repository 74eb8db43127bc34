#include "rdb_gauges.h"

#include <memory>
#include <sstream>

#include "rdb_enum.h"
#include "test_support.h"

TEST(RdbGauges, SlotsAreFilledOnceAndOnlyInRange)
{
    EXPECT_EQ(RDB_GAUGES_OBJECT("negative", -2).get_size(), 0u);
    RDB_GAUGES_OBJECT gauges("g", 3);
    EXPECT_EQ(gauges.get_type(), RDB_GAUGES_TYPE);
    auto* g = new RDB_GAUGES_DATA_ELEMENT("Logic", true, 0, 100, 42, false);
    gauges.set_data_at(1, g);
    EXPECT_EQ(gauges.get_data_at(0), nullptr);
    EXPECT_EQ(static_cast<const RDB_GAUGES_OBJECT&>(gauges).get_data_at(1), g);
    EXPECT_EQ(gauges.get_data_at(3), nullptr);

    auto h = std::make_unique<RDB_GAUGES_DATA_ELEMENT>("Other", false, 1, 2, 3, true);
    EXPECT_INTERNAL_ERROR(gauges.set_data_at(1, h.get()), "m_data->at(pos) == 0");
    EXPECT_INTERNAL_ERROR(gauges.set_data_at(3, h.get()), "pos < m_data->size()");
    EXPECT_EQ(gauges.get_data_at(1), g);
    gauges.add_data(h.release());
    EXPECT_EQ(gauges.get_size(), 4u);
    ASSERT_NE(gauges.get_data_at(3), nullptr);
    EXPECT_EQ(gauges.get_data_at(3)->name, "Other");
}

TEST(RdbGauges, AsciiListsGaugesUpToFirstEmptySlot)
{
    RDB_GAUGES_OBJECT gauges("g", 2);
    gauges.set_data_at(0, new RDB_GAUGES_DATA_ELEMENT("Logic utilization", true, 0, 100, 42, false));
    gauges.add_data(new RDB_GAUGES_DATA_ELEMENT("Never shown", false, 1, 2, 3, false));
    std::ostringstream os;
    gauges.output_ascii(os);
    EXPECT_EQ(os.str(), "Name: Logic utilization   Range: 0 - 100  Status: 42\n");

    gauges.set_data_at(1, new RDB_GAUGES_DATA_ELEMENT("Pins", false, -10, 10, -3, true));
    std::ostringstream all;
    gauges.output_ascii(all);
    EXPECT_EQ(all.str(), "Name: Logic utilization   Range: 0 - 100  Status: 42\n"
                         "Name: Pins   Range: -10 - 10  Status: -3\n"
                         "Name: Never shown   Range: 1 - 2  Status: 3\n");
}
