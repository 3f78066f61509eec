#pragma once
// "Load characteristics": picks one stored version of a bird, butterfly or
// habitat profile and shows it in the bird profile editor, in view mode.
//
// Control names: the list "Please specify the species whose characteristics
// you want to load.", the buttons "OK" and "Cancel".
#include <QDialog>
#include <QPointer>

#include <string>
#include <vector>

class QListWidget;

namespace pravel {

class steckbrief_vogel_neu;

inline constexpr const char* kLoadListLabel = "Please specify the species whose characteristics you want to load.";
inline constexpr const char* kNoSelectionMessage = "Please make a selection first!";

// The name and save time an entry "name_latein/name, savetime, name_editor"
// stands for. The name lies between the first "/" and the first "," after
// it; the save time starts after that "," (blanks and tabs skipped) and ends
// before the next "," or letter "t". Both are empty for an entry without "/"
// and ",".
struct ProfileEntryKey {
    std::string name;
    std::string savetime;
    bool operator==(const ProfileEntryKey&) const = default;
};
ProfileEntryKey parse_profile_entry(const std::string& entry);

class steckbrief_laden : public QDialog {
    Q_OBJECT
public:
    explicit steckbrief_laden(QWidget* parent = nullptr);

    // Replaces the entries of the selection list, in the given order.
    void setEntries(const std::vector<std::string>& entries);

    const std::string& chosenName() const { return chosen_.name; }
    const std::string& chosenSavetime() const { return chosen_.savetime; }
    // The editor the last "OK" opened, while it is open.
    steckbrief_vogel_neu* shownEditor() const { return editor_; }

private:
    void loadAndShow();

    QListWidget* list_ = nullptr;
    ProfileEntryKey chosen_;
    QPointer<steckbrief_vogel_neu> editor_;
};

// A load dialog titled `title` whose list holds the stored versions of
// `group` ("bird", "Schmetterling" or "Lebensraum"), read over a connection
// of its own. Not shown yet.
steckbrief_laden* make_profile_load_dialog(QWidget* parent, const QString& title, const std::string& group);

}  // namespace pravel
