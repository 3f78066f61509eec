#include "ui/grassland_form.h"

#include "common/numeric_input.h"

namespace pravel {

namespace {

// A moisture input: refused (message, previous value kept) when it holds
// other characters than a number's or exceeds 1.
void check_moisture(const std::string& text, std::vector<std::string>& messages, std::optional<double>& value) {
    if (!is_numeric_input(text)) {
        messages.push_back(kMoistureNumberMessage);
        return;
    }
    const double v = parse_real(text);
    if (v > 1.0) {
        messages.push_back(kMoistureRangeMessage);
        return;
    }
    value = v;
}

}  // namespace

GrasslandFormCheck check_grassland_form(const GrasslandFormInput& in, const GrasslandFormRules& rules) {
    GrasslandFormCheck out;
    check_moisture(in.wet, out.messages, out.wet);
    check_moisture(in.fresh, out.messages, out.fresh);
    check_moisture(in.dry, out.messages, out.dry);

    if (in.code.empty()) {
        out.code = 0;
    } else if (!is_numeric_input(in.code)) {
        out.messages.push_back(kHabitatCodeMessage);
    } else {
        out.code = parse_int(in.code);
    }

    if (in.dutch_name.empty()) {
        out.messages.push_back(rules.name_message);
        out.stopped = true;
        out.focus = FormFocus::DutchName;
        return out;
    }
    out.latin_name = in.latin_name.empty() && rules.replace_empty_latin ? kMissingLatinName : in.latin_name;

    if (in.editor.empty() || in.editor == kEditorInitialText || in.editor == kEditorInitialTextGerman) {
        out.messages.push_back(kEditorNameMessage);
        out.stopped = true;
        out.focus = FormFocus::Editor;
        return out;
    }
    if (!in.has_measures) {
        out.messages.push_back(kSelectMeasuresMessage);
        out.stopped = true;
        out.no_measures = true;
    }
    return out;
}

void apply_elevation(Elevation elevation, GrasslandRecord& record) {
    record.altitude_high = elevation != Elevation::Low;
    record.altitude_low = elevation != Elevation::High;
}

Elevation elevation_of(const GrasslandRecord& record) {
    if (record.altitude_high && record.altitude_low) return Elevation::Independent;
    if (record.altitude_high) return Elevation::High;
    return Elevation::Low;
}

std::string grassland_load_entry(const GrasslandRecord& g) {
    return g.name_engl + "/" + (g.low_productivity ? kLowProductivityWord : kNormalProductivityWord) + ", " +
           g.savetime + ", " + g.name_editor;
}

std::vector<std::string> grassland_load_entries(const std::vector<GrasslandRecord>& records) {
    std::vector<std::string> out;
    for (const GrasslandRecord& g : records) {
        if (g.name_engl == "Uebriges Gruenland2" || g.name_engl == "Uebriges Gruenland") continue;
        out.push_back(grassland_load_entry(g));
    }
    return out;
}

GrasslandEntryChoice parse_grassland_load_entry(const std::string& entry) {
    GrasslandEntryChoice choice;
    const auto start = entry.find_first_not_of(" \t");
    const auto slash = entry.find('/');
    if (start == std::string::npos || slash == std::string::npos || slash < start) return choice;
    const auto comma = entry.find(',', slash + 1);
    if (comma == std::string::npos) return choice;
    choice.name = entry.substr(start, slash - start);
    choice.low_productivity = entry.compare(slash + 1, comma - slash - 1, kLowProductivityWord) == 0;
    const auto time_start = entry.find_first_not_of(' ', comma + 1);
    if (time_start != std::string::npos) {
        const auto time_end = entry.find_first_of(",t", time_start);
        choice.savetime = entry.substr(time_start, time_end == std::string::npos ? std::string::npos
                                                                                  : time_end - time_start);
    }
    return choice;
}

}  // namespace pravel
