#include "core/measure_record.h"

#include <iomanip>
#include <locale>
#include <sstream>

#include "common/number_format.h"

namespace pravel {

bool is_mowing_type(const std::string& name) {
    return name == "mowing_1cut" || name == "mowing_2cut" || name == "mowing_3cut" || name == "mowing_4cut" ||
           name == "refuge_strips";
}

std::string measure_label(const MeasureRecord& r) {
    std::ostringstream s;
    s.imbue(std::locale::classic());
    const char* fertilised = r.fertilization ? "ja" : "nein";
    s << "<< " << r.name << "," << r.month_quarter_first_use << "/" << r.distance_2use << ",";
    if (is_mowing_type(r.name)) {
        s << "D=" << fertilised << " >>";
    } else {
        const char* livestock = r.livestockID_1 == 1 ? "ruhig" : r.livestockID_1 == 2 ? "lebhaft" : "";
        s << "GV=" << std::fixed << std::setprecision(1) << r.livestock_density_1 << ",Tie=" << livestock
          << ",D=" << fertilised << " >>";
    }
    return s.str();
}

int measure_group(const MeasureRecord& record, Feedback* feedback) {
    const int m = record.method_nr;
    if (m >= 1 && m <= 5) return static_cast<int>(MeasureGroup::Mowing);
    if (m >= 6 && m <= 10) return static_cast<int>(MeasureGroup::Grazing);
    if (m >= 11 && m <= 14) return static_cast<int>(MeasureGroup::MowingWithGrazing);
    inform(feedback, "Maßnahme \" " + measure_label(record) + " \"kann keinem Typ zugeordnet werden");
    return -1;
}

std::string measure_list_line(const MeasureRecord& r, bool with_density) {
    std::string line = std::to_string(r.measureID) + ", " + r.name + ", " + std::to_string(r.month_quarter_first_use) +
                       "/" + std::to_string(r.distance_2use) + "/" + std::to_string(r.distance_3use) + "/" +
                       std::to_string(r.distance_4use) + ",";
    if (with_density && r.livestock_density_1 > 0.3 && r.livestock_density_1 < 90) {
        line += format_number(r.livestock_density_1) + " (GV), res(GV)";
    }
    return line;
}

}  // namespace pravel
