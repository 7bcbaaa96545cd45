// The "SQL" page: runs the editor's text on the main connection.
#include "app/FMain.h"

#include "core/Exceptions.h"
#include "dataset/odbc/OEQuery.h"

#include <QPlainTextEdit>

namespace tarvik {

namespace {
// A live result needs a cursor the server can update; when it cannot give one (a join, an
// aggregate, a view), the rows are still worth showing read-only, so that failure stays silent.
// The retry runs after the handler has ended: the failed open's error is gone by then, so a link
// it found lost has been dropped and the retry connects afresh instead of failing on it again.
void OpenLiveOrReadOnly(TwwOEDataSet& query) {
    try {
        query.SetRequestLive(true);
        query.Open();
        return;
    } catch (...) {
    }
    query.Close();
    query.SetRequestLive(false);
    query.Open();
}
} // namespace

void TMain::bPozeniSQLClick() {
    RunSqlText();
}

// The save of the result arrives with the export; until then a click only makes sure there is
// a result, running the text when none is open.
void TMain::bSQLShraniClick() {
    if (!oeqQuery->Active()) RunSqlText();
}

// Only the first line's first six characters decide: a query that starts with a blank, a
// comment or WITH is executed as a statement and shows no rows.
void TMain::RunSqlText() {
    try {
        const QStringList lines = EditorLines(mSQL);
        std::vector<std::string> sql;
        sql.reserve(static_cast<std::size_t>(lines.size()));
        for (const QString& line : lines)
            sql.push_back(line.toStdString());
        oeqQuery->SetSQL({});
        oeqQuery->SetSQL(sql);
        AddToHistory(lines, QStringLiteral("MS SQL"));
        qQuery->SetRequestLive(false);
        oeqQuery->SetRequestLive(false);
        if (lines.isEmpty()) return;
        Ui().SetCursor(ckHourGlass);
        if (lines.first().toUpper().left(6) == QLatin1String("SELECT")) {
            OpenLiveOrReadOnly(*oeqQuery);
            Ui().SetCursor(ckDefault);
        } else {
            oeqQuery->ExecSQL();
            ShowMessage(Txt(u8"Končano."));
            Ui().SetCursor(ckDefault);
        }
    } catch (const std::exception& E) {
        FillErrorMessage(E, Txt(u8"Napaka !"), true);
    }
}

void TMain::mSQLKeyUp() {
    SetMemoPos(mSQL, lSQLPosition);
}

} // namespace tarvik
