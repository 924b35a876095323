// The menu of a history's newest entries.
#include "Libraries/HistoryDialog.h"

#include "Libraries/Error.h"
#include "Libraries/File.h"

#include <QAction>
#include <QMenu>

#include <algorithm>

void THistoryDialog::Setup(QMenu *menu)
{
    TFunScope Fun("History", "THistoryDialog::Setup");
    Fun.Run([&] {
        menu->clear();
        const int newest = History.count() - 1;
        for (int index = newest; index >= 0 && index > newest - 20; --index) {
            const THistoryEntry &entry = History.Entry(index);
            QString caption = QString::fromStdString(ExtractDirectory(entry.title));
            caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
            QAction *action = menu->addAction(caption);
            action->setData(index);
            QObject::connect(action, &QAction::triggered, menu, [this, index] {
                if (!OnSelect || index >= History.count()) return;
                const THistoryEntry &chosen = History.Entry(index);
                OnSelect(chosen.title, chosen.focusKind, chosen.focusKey, chosen.focusRow);
            });
        }
    });
}
