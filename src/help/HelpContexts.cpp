#include "help/HelpContexts.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace Help {

namespace {

struct ContextEntry {
    const char* key;
    int context;
};

// 1001-1019 main window, 1020-1049 search and change dialogs, 1050-1055 key notes, 1060-1099 watch,
// statistics, editors and the smaller dialogs, 1100-1104 help, 1110-1117 structures, 1120-1121 the
// information overview, 1130-1133 the parallel view, 1140-1145 aliases and external tools. Several
// controls may share one context.
const ContextEntry Entries[] = {
    {"RegTreeView1", 1},
    {"RegListView1", 2},
    {"ToolTabs", 3},
    {"MachineComboBox", 4},
    {"HistoryComboBox", 5},
    {"ToolsTB", 6},
    {"HistoryTB", 7},
    {"StatusPanel0", 8},
    {"StatusPanel1", 9},
    {"InfoPage", 10},
    {"InfoMultiText1", 10},
    {"FavListView1", 11},
    {"FavToolBar", 12},
    {"SearchListView1", 13},
    {"SearchToolBar", 14},
    {"ChangeListView1", 15},
    {"ChangeToolBar", 16},
    {"WatchListView", 17},
    {"WatchToolBar", 18},
    {"StatusPanel2", 19},

    {"TSearchForm/SearchTextComboBox", 20},
    {"TSearchForm/keysCheckBox", 21},
    {"TSearchForm/valuesCheckBox", 21},
    {"TSearchForm/dataCheckBox", 21},
    {"TSearchForm/stringsCheckBox", 22},
    {"TSearchForm/dwordsCheckBox", 22},
    {"TSearchForm/binariesCheckBox", 22},
    {"TSearchForm/caseSensitiveCheckBox", 23},
    {"TSearchForm/wholeTextCheckBox", 23},
    {"TSearchForm/logicalCheckBox", 24},
    {"TSearchForm/singleRootCheckBox", 25},
    {"TSearchForm/currentKeyCheckBox", 25},
    {"TSearchForm/listResultsCheckBox", 26},
    {"TReplaceForm/findComboBox", 27},
    {"TReplaceForm/replaceComboBox", 28},
    {"TReplaceForm/firstOnlyCheckBox", 29},
    {"TReplaceForm/confirmCheckBox", 30},
    {"TReplaceForm/replaceAllButton", 31},
    {"TDeleteForm/confirmCheckBox", 32},
    {"TDeleteForm/warningsCheckBox", 33},
    {"TReplaceForm/warningsCheckBox", 33},
    {"TCheckForm/actionListWidget", 34},
    {"TCompForm/CompFileComboBox", 35},
    {"TCompForm/SelectFileButton", 35},
    {"TCompForm/KeysCheckBox", 36},
    {"TCompForm/ValuesCheckBox", 36},
    {"TCompForm/DataCheckBox", 36},
    {"TCompForm/TypeCheckBox", 36},
    {"TCompForm/FullNewKeysCheckBox", 37},
    {"TCompForm/ExcludeCheckBox", 38},
    {"TCompForm/AnalyseButton", 39},
    {"TExcludeForm/ExcludeListView", 40},
    {"TExcludeForm/CurrentKeyRadioButton", 41},
    {"TExcludeForm/SelectionRadioButton", 41},
    {"TBackupForm/confirmCheckBox", 42},
    {"TBackupForm/warningsCheckBox", 43},
    {"TBackupForm/checkOnlyCheckBox", 44},
    {"TChangeSearchForm/searchEdit", 45},
    {"TChangeSearchForm/keyCheckBox", 46},
    {"TChangeSearchForm/wholePathCheckBox", 46},
    {"TChangeSearchForm/valueCheckBox", 46},
    {"TChangeSearchForm/markAllButton", 47},

    {"TMemoForm/MemoListView", 50},
    {"TMemoForm/MemoPreview", 51},
    {"TMemoForm/FormatCheckBox", 52},
    {"TMemoForm/AddButton", 53},
    {"TMemoForm/EditButton", 53},
    {"TMemoForm/RemoveButton", 53},
    {"TMemoEditForm/MemoEdit", 54},
    {"TMemoEditForm/DateEdit", 55},
    {"TMemoEditForm/KeyEdit", 55},
    {"TMemoEditForm/PriorityComboBox", 55},

    {"TThreadForm/SlotTabs", 60},
    {"TThreadForm/KeyPathEdit1", 61},
    {"TThreadForm/KeyPathEdit2", 61},
    {"TThreadForm/KeyPathEdit3", 61},
    {"TThreadForm/KeyPathEdit4", 61},
    {"TThreadForm/InsertKeyButton1", 62},
    {"TThreadForm/InsertKeyButton2", 62},
    {"TThreadForm/InsertKeyButton3", 62},
    {"TThreadForm/InsertKeyButton4", 62},
    {"TThreadForm/SubtreeCheckBox1", 63},
    {"TThreadForm/SubtreeCheckBox2", 63},
    {"TThreadForm/SubtreeCheckBox3", 63},
    {"TThreadForm/SubtreeCheckBox4", 63},
    {"TThreadForm/SilentCheckBox1", 64},
    {"TThreadForm/SilentCheckBox2", 64},
    {"TThreadForm/SilentCheckBox3", 64},
    {"TThreadForm/SilentCheckBox4", 64},
    {"TThreadForm/FilterCheckBox1", 65},
    {"TThreadForm/FilterCheckBox2", 65},
    {"TThreadForm/FilterCheckBox3", 65},
    {"TThreadForm/FilterCheckBox4", 65},
    {"TThreadForm/FilterButton1", 65},
    {"TThreadForm/FilterButton2", 65},
    {"TThreadForm/FilterButton3", 65},
    {"TThreadForm/FilterButton4", 65},
    {"TThreadForm/ActiveCheckBox1", 66},
    {"TThreadForm/ActiveCheckBox2", 66},
    {"TThreadForm/ActiveCheckBox3", 66},
    {"TThreadForm/ActiveCheckBox4", 66},
    {"TStatisticForm/StatisticList", 70},
    {"TStatisticForm/pieChart", 71},
    {"TStatisticForm/OpenKeyButton", 72},
    {"TStatisticForm/keyPathLabel", 73},
    {"TPropertyForm/keyPathLabel", 73},
    {"TPropertyForm/lastWriteLabel", 74},
    {"TStringForm/StringValueEdit", 80},
    {"TDWordForm/TCharEdit", 81},
    {"TDWordForm/QGroupBox", 82},
    {"TBinaryForm/THexBox", 83},
    {"TOptionForm/undoSpinEdit", 90},
    {"TOptionForm/pathGrid", 91},
    {"TUndoForm/QListWidget", 95},
    {"THistoryForm/HistoryListBox", 96},
    {"THistoryForm/RemoveKeysButton", 97},
    {"THistoryForm/RemoveDuplicatesButton", 97},
    {"TMachineForm/MachineNameBox", 99},

    {"THelpForm/HelpContentsList", 100},
    {"THelpForm/HelpSearchEdit", 101},
    {"THelpForm/HelpFoundList", 102},
    {"THelpForm/HelpTitleText", 103},
    {"THelpForm/HelpTopicText", 103},
    {"THelpForm/HelpButtonBar", 104},

    {"TStructurForm/StructureTreeView", 110},
    {"TStructurForm/NewButton", 111},
    {"TStructurForm/AddButton", 112},
    {"TStructurForm/EditButton", 113},
    {"TStructurForm/RemoveButton", 114},
    {"TStructurForm/LoadButton", 115},
    {"TStructurForm/SaveButton", 116},
    {"TStructurEditForm/StructureComboBox", 117},
    {"TInfoForm/entryTreeWidget", 120},
    {"TInfoForm/previewMultiText", 121},
    {"TCopyForm/CopyTreeView", 130},
    {"TCopyForm/CopyListView", 131},
    {"TCopyForm/CopyHistoryComboBox", 132},
    {"TCopyForm/CopyNavigationBar", 133},
    {"TAliasForm/AliasListView", 140},
    {"TAliasEditForm/KeyEdit", 141},
    {"TAliasEditForm/AliasEdit", 141},
    {"TToolForm/ToolListBox", 142},
    {"TToolEditForm/NameEdit", 143},
    {"TToolEditForm/PathEdit", 144},
    {"TToolEditForm/BrowseButton", 144},
    {"TToolEditForm/ParametersEdit", 145},
};

const QHash<QString, int>& contextTable()
{
    static const QHash<QString, int> table = [] {
        QHash<QString, int> t;
        for (const ContextEntry& e : Entries)
            t.insert(QString::fromLatin1(e.key), e.context);
        return t;
    }();
    return table;
}

} // namespace

int HelpContextFor(const QString& windowClass, const QString& objectName, const QString& widgetClass)
{
    const QHash<QString, int>& table = contextTable();
    const QChar slash = QLatin1Char('/');
    if (!objectName.isEmpty()) {
        if (const int c = table.value(windowClass + slash + objectName))
            return c;
        if (const int c = table.value(objectName))
            return c;
    }
    return widgetClass.isEmpty() ? 0 : table.value(windowClass + slash + widgetClass);
}

QList<int> HelpContextNumbers()
{
    QSet<int> numbers;
    for (const ContextEntry& e : Entries)
        numbers.insert(e.context);
    QList<int> sorted(numbers.begin(), numbers.end());
    std::sort(sorted.begin(), sorted.end());
    return sorted;
}

} // namespace Help
