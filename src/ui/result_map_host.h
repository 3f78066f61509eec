#pragma once
// What an analysis window asks of the frame it sits in to show its results on
// a map. The frame implements it; the windows and their parts know only this
// interface, so they need nothing of the frame or of the map views.
class QWidget;

namespace pravel {

class ResultMapHost {
public:
    // Opens the analysis result map as a new document window and returns
    // it; `analysis` (null for none) names the analysis in its caption.
    virtual QWidget* openResultMap(const char* analysis) = 0;
    // Opens the configuration map on the stored configuration with this ID.
    virtual QWidget* openConfigurationMap(int configurationID) = 0;

protected:
    ~ResultMapHost() = default;
};

}  // namespace pravel
