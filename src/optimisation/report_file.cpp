#include "optimisation/report_file.h"

#include "common/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/number_format.h"

namespace pravel {

namespace {

constexpr const char* kLineEnd = "\r\n";

// Collects the lines of a report.
class ReportText {
public:
    void line(const std::string& text = {}) {
        text_ += text;
        text_ += kLineEnd;
    }
    void empty_lines(int n) {
        for (int i = 0; i < n; ++i) line();
    }
    // A line ended by a bare line feed.
    void line_lf(const std::string& text) {
        text_ += text;
        text_ += '\n';
    }
    std::string take() { return std::move(text_); }

private:
    std::string text_;
};

template <typename T>
T at_or(const std::vector<T>& v, std::size_t i, T fallback) {
    return i < v.size() ? v[i] : fallback;
}

void selection_section(ReportText& out, const ReportSelection& sel) {
    out.line("selected species:");
    for (std::size_t s = 0; s < sel.species_names.size(); ++s) {
        out.line(sel.species_names[s] + ", minqual: " + format_number(at_or(sel.minimum_qualities, s, 0.0)));
    }
    out.line();
    out.line("selected measures:");
    out.line();
}

enum class OptimisationKind { BudgetMinimisation, GoalMaximisation };

// Selected measures, result block and closing lines of both optimisation
// reports.
std::string optimisation_report(const ReportSelection& sel, OptimisationKind kind,
                                const std::vector<double>& wanted_areas, int user_budget,
                                const OptimisationResult& last) {
    ReportText out;
    selection_section(out, sel);
    for (const MeasureRecord& m : sel.measures) {
        out.line(report_measure_line(m));
        out.line();
    }

    double budget = 0.0;
    if (!last.allocation.empty()) {
        out.empty_lines(3);
        out.line("results of optimization:");
        out.empty_lines(2);
        for (std::size_t m = 0; m < sel.measures.size(); ++m) {
            const int participants = at_or(last.participants, m, 0);
            if (participants == 0) continue;
            const double payment = at_or(last.payment, m, 0.0);
            out.line(report_measure_line(sel.measures[m]));
            out.line("Payment in Euro: " + format_number(truncate_to_int(payment)));
            out.line("Participating area in ha: " + format_number(participants * sel.pixel_area));
            out.line("Maximum area in ha: " + format_number(at_or(last.max_count, m, 0) * sel.pixel_area));
            out.line();
            budget += participants * payment * sel.pixel_area;
        }
        out.line();
        for (std::size_t s = 0; s < sel.species_names.size(); ++s) {
            const double achieved = at_or(last.effective_area, s, 0.0);
            if (achieved == 0) continue;
            out.line();
            out.line(sel.species_names[s]);
            out.line("Achieved effective area in ha: " + format_number(achieved));
            out.line();
            if (kind == OptimisationKind::BudgetMinimisation) {
                out.line_lf("Wanted effective area in ha: " + format_number(at_or(wanted_areas, s, 0.0)));
                out.line();
            }
        }
    }

    out.line();
    if (kind == OptimisationKind::GoalMaximisation) out.line("User defined budget: " + format_number(user_budget));
    out.line("Total budget: " + format_number(budget));
    return out.take();
}


}  // namespace

std::string report_measure_line(const MeasureRecord& m) {
    return format_number(m.measureID) + ", " + m.name + ", " + format_number(m.month_quarter_first_use) + "/" +
           format_number(m.distance_2use) + "/" + format_number(m.distance_3use) + "/" +
           format_number(m.distance_4use) + "/ livestockID1 " + format_number(m.livestockID_1) + ",GV " +
           format_number(m.livestock_density_1) + "/ livestockID2 " + format_number(m.livestockID_2) + ",GV " +
           format_number(m.livestock_density_2) + "/ livestockID3 " + format_number(m.livestockID_3) + ",GV " +
           format_number(m.livestock_density_3) + "/ livestockID4 " + format_number(m.livestockID_4) + ",GV " +
           format_number(m.livestock_density_4);
}

std::string budget_minimisation_report(const ReportSelection& selection, const std::vector<double>& wanted_areas,
                                       const OptimisationResult& last) {
    return optimisation_report(selection, OptimisationKind::BudgetMinimisation, wanted_areas, 0, last);
}

std::string goal_maximisation_report(const ReportSelection& selection, int user_budget,
                                     const OptimisationResult& last) {
    return optimisation_report(selection, OptimisationKind::GoalMaximisation, {}, user_budget, last);
}

std::string simulation_report(const ReportSelection& sel, const SimulationReportFigures& figures) {
    ReportText out;
    selection_section(out, sel);
    for (std::size_t m = 0; m < sel.measures.size(); ++m) {
        const MeasureRecord& measure = sel.measures[m];
        out.line(report_measure_line(measure));
        out.line();
        out.line("Payment in Euro: " + format_number(measure.payment));
        out.line("Maximum area in ha: " + format_number(at_or(figures.max_counts, m, 0) * sel.pixel_area));
        out.line();
    }

    out.empty_lines(3);
    out.line("results of simulation:");
    out.empty_lines(2);
    out.line("Total participating area in ha: " +
             format_number(static_cast<double>(figures.participating_pixels) * sel.pixel_area) + "ha");
    out.line();
    for (std::size_t s = 0; s < sel.species_names.size(); ++s) {
        out.line();
        out.line(sel.species_names[s]);
        out.line("Achieved effective area in ha: " + format_number(at_or(figures.effective_area, s, 0.0)));
        out.line();
    }

    out.line();
    out.line("Total budget: " + format_number(figures.budget));
    return out.take();
}

ReportWriteResult write_report_file(const std::string& path, const std::string& content) {
    ReportWriteResult result;
    AtomicFile file;
    if (file.open(path) && file.write(content.data(), content.size()) && file.close()) {
        result.ok = true;
    } else {
        result.error = file.error();
    }
    return result;
}

}  // namespace pravel
