#include "store/measure_store.h"

#include <cppconn/resultset.h>

#include "common/sql_text.h"
#include "store/database_access.h"

namespace pravel {

MeasureRecord read_measure_row(sql::ResultSet& rs) {
    MeasureRecord m;
    m.name = rs.getString("name");
    m.measureID = rs.getInt("measureID");
    m.month_quarter_first_use = rs.getInt("month_quarter_first_use");
    m.distance_2use = rs.getInt("distance_2use");
    m.distance_3use = rs.getInt("distance_3use");
    m.distance_4use = rs.getInt("distance_4use");
    m.early_land_use = rs.getInt("early_land_use");
    m.prior_cropland = rs.getBoolean("prior_cropland");
    m.fertilization = rs.getBoolean("fertilization");
    m.livestock_density_1 = rs.getDouble("livestock_density_1");
    m.livestock_density_2 = rs.getDouble("livestock_density_2");
    m.livestock_density_3 = rs.getDouble("livestock_density_3");
    m.livestock_density_4 = rs.getDouble("livestock_density_4");
    m.livestockID_1 = rs.getInt("livestockID_1");
    m.livestockID_2 = rs.getInt("livestockID_2");
    m.livestockID_3 = rs.getInt("livestockID_3");
    m.livestockID_4 = rs.getInt("livestockID_4");
    m.method_nr = rs.getInt("method_nr");
    m.is_refuge_strip = (m.name == kRefugeStripName);
    return m;
}

}  // namespace pravel
