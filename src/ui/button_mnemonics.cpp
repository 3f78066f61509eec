#include "ui/button_mnemonics.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QEvent>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <vector>

namespace pravel {

namespace {

// The letter after a single '&' ("&&" is a plain ampersand); none without one.
std::optional<QChar> marked_letter(const QString& text) {
    for (int i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&') continue;
        if (text[i + 1] == '&') {
            ++i;
            continue;
        }
        return text[i + 1].toLower();
    }
    return std::nullopt;
}

bool usable(QChar c) { return c.isLetterOrNumber() && c.unicode() < 128; }

}  // namespace

namespace {

// Positions in `text` that may carry the mark, word starts first, then the
// other letters in reading order.
std::vector<int> candidate_positions(const QString& text) {
    std::vector<int> order;
    for (int i = 0; i < text.size(); ++i)
        if (usable(text[i]) && (i == 0 || !text[i - 1].isLetterOrNumber())) order.push_back(i);
    for (int i = 1; i < text.size(); ++i)
        if (usable(text[i]) && text[i - 1].isLetterOrNumber()) order.push_back(i);
    return order;
}

QString marked_at(const QString& text, int position) {
    QString marked = text;
    marked.insert(position, '&');
    return marked;
}

}  // namespace

void add_button_mnemonics(QWidget* window) {
    if (!window) return;
    QSet<QChar> fixed;
    for (QMenuBar* bar : window->findChildren<QMenuBar*>())
        for (QAction* a : bar->actions())
            if (auto c = marked_letter(a->text())) fixed.insert(*c);
    const QList<QAbstractButton*> all = window->findChildren<QAbstractButton*>();
    for (QAbstractButton* b : all)
        if (auto c = marked_letter(b->text())) fixed.insert(*c);

    // The buttons still without a mark, in the order they choose: push
    // buttons (they start the work of a window), check boxes, options; the
    // shown ones before the hidden ones.
    std::vector<QAbstractButton*> open;
    for (int pass = 0; pass < 6; ++pass)
        for (QAbstractButton* b : all) {
            const int kind = qobject_cast<QPushButton*>(b) ? 0 : qobject_cast<QCheckBox*>(b) ? 1
                             : qobject_cast<QRadioButton*>(b) ? 2 : -1;
            if (kind < 0 || b->text().isEmpty() || b->text().contains('&')) continue;
            if (kind * 2 + (b->isVisibleTo(window) ? 0 : 1) == pass) open.push_back(b);
        }

    // Each button takes a letter of its own text: its most preferred free
    // one, or one another button gives up for a letter of its own that is
    // still free (an augmenting path), so that as many buttons as possible
    // get a mark.
    std::vector<std::vector<int>> positions(open.size());
    for (std::size_t k = 0; k < open.size(); ++k) positions[k] = candidate_positions(open[k]->text());
    std::map<QChar, std::size_t> owner;  // letter -> button
    std::vector<int> chosen(open.size(), -1);
    std::function<bool(std::size_t, std::set<QChar>&)> take = [&](std::size_t k, std::set<QChar>& seen) {
        for (int i : positions[k]) {
            const QChar c = open[k]->text()[i].toLower();
            if (fixed.contains(c) || seen.count(c)) continue;
            seen.insert(c);
            const auto held = owner.find(c);
            if (held == owner.end() || take(held->second, seen)) {
                owner[c] = k;
                chosen[k] = i;
                return true;
            }
        }
        return false;
    };
    for (std::size_t k = 0; k < open.size(); ++k) {
        std::set<QChar> seen;
        take(k, seen);
    }
    for (std::size_t k = 0; k < open.size(); ++k)
        if (chosen[k] >= 0) open[k]->setText(marked_at(open[k]->text(), chosen[k]));
}

bool ButtonMnemonics::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto* w = static_cast<QWidget*>(watched);
        if (w->isWindow() || qobject_cast<QMdiSubWindow*>(w)) add_button_mnemonics(w->window());
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace pravel
