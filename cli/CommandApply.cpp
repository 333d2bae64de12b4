// qvdraw apply: scripted editing through the shapes controller and the undo
// manager, one action after another, as menu commands and inspector edits
// would make them.

#include "cli/Command.h"
#include "cli/ValueText.h"

#include "canvas/ShapesController.h"
#include "canvas/model/MenuCommands.h"
#include "document/DrawDocument.h"

#include <charconv>
#include <cmath>

namespace qv::cli {

namespace {

enum class Kind { Select, SelectAll, DeselectAll, Command, Offset, Rotate, Set, Undo, Redo };

struct Action {
    std::string text;
    Kind kind = Kind::Command;
    std::string name;                 // command name, or key path for set
    std::vector<std::size_t> indexes; // select
    std::vector<double> numbers;      // offset, rotate
    std::vector<Value> values;        // set
};

std::string trimmed(std::string_view t) {
    while (!t.empty() && std::isspace(static_cast<unsigned char>(t.front())))
        t.remove_prefix(1);
    while (!t.empty() && std::isspace(static_cast<unsigned char>(t.back())))
        t.remove_suffix(1);
    return std::string(t);
}

std::optional<std::vector<double>> reals(std::string_view t, std::size_t count) {
    std::vector<double> result;
    for (std::size_t k = 0; k < count; ++k) {
        const std::size_t comma = t.find(',');
        if ((comma == std::string_view::npos) != (k + 1 == count))
            return std::nullopt;
        const std::string piece = trimmed(t.substr(0, comma));
        double v = 0;
        const char* begin = piece.data() + (!piece.empty() && piece[0] == '+' ? 1 : 0);
        const auto [end, ec] = std::from_chars(begin, piece.data() + piece.size(), v);
        if (piece.empty() || ec != std::errc() || end != piece.data() + piece.size() ||
            !std::isfinite(v))
            return std::nullopt;
        result.push_back(v);
        if (comma != std::string_view::npos)
            t.remove_prefix(comma + 1);
    }
    return result;
}

// Nothing (and the reason in `error`) for text that is not an action.
std::optional<Action> parseAction(const std::string& text, std::string& error) {
    Action action;
    action.text = text;
    const std::size_t colon = text.find(':');
    const std::string head = text.substr(0, colon);
    const std::string argument = colon == std::string::npos ? "" : text.substr(colon + 1);
    const bool hasArgument = colon != std::string::npos;
    auto noArgument = [&](Kind kind) -> std::optional<Action> {
        if (hasArgument) {
            error = "\"" + head + "\" takes no argument";
            return std::nullopt;
        }
        action.kind = kind;
        return action;
    };
    if (head == "select") {
        action.kind = Kind::Select;
        std::string_view rest = argument;
        while (!trimmed(rest).empty()) {
            const std::size_t comma = rest.find(',');
            const std::string piece = trimmed(rest.substr(0, comma));
            std::size_t index = 0;
            const auto [end, ec] =
                std::from_chars(piece.data(), piece.data() + piece.size(), index);
            if (piece.empty() || ec != std::errc() || end != piece.data() + piece.size()) {
                error = "select takes shape indexes such as select:0,2";
                return std::nullopt;
            }
            action.indexes.push_back(index);
            if (comma == std::string_view::npos)
                break;
            rest.remove_prefix(comma + 1);
        }
        return action;
    }
    if (head == "select-all")
        return noArgument(Kind::SelectAll);
    if (head == "deselect-all")
        return noArgument(Kind::DeselectAll);
    if (head == "undo")
        return noArgument(Kind::Undo);
    if (head == "redo")
        return noArgument(Kind::Redo);
    if (head == "offset" || head == "rotate") {
        const bool offset = head == "offset";
        std::optional<std::vector<double>> n = reals(argument, offset ? 2 : 3);
        if (!n) {
            error = offset ? "offset takes offset:DX,DY" : "rotate takes rotate:DEGREES,X,Y";
            return std::nullopt;
        }
        action.kind = offset ? Kind::Offset : Kind::Rotate;
        action.numbers = std::move(*n);
        return action;
    }
    if (head == "set") {
        const std::size_t eq = argument.find('=');
        if (!hasArgument || eq == std::string::npos || eq == 0) {
            error = "set takes set:KEYPATH=VALUE";
            return std::nullopt;
        }
        action.kind = Kind::Set;
        action.name = argument.substr(0, eq);
        action.values = valuesForText(argument.substr(eq + 1));
        return action;
    }
    if (findMenuCommand(head)) {
        if (hasArgument) {
            error = "\"" + head + "\" takes no argument";
            return std::nullopt;
        }
        action.kind = Kind::Command;
        action.name = head;
        return action;
    }
    error = "unknown action \"" + text + "\"";
    return std::nullopt;
}

std::vector<std::string> splitActions(const std::string& list) {
    std::vector<std::string> result;
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t semicolon = list.find(';', start);
        const std::string piece = trimmed(std::string_view(list).substr(
            start, semicolon == std::string::npos ? std::string::npos : semicolon - start));
        if (!piece.empty())
            result.push_back(piece);
        if (semicolon == std::string::npos)
            break;
        start = semicolon + 1;
    }
    return result;
}

// Runs one action; answers the status word printed after the undo title
// ("" when there is none).
std::string perform(const Action& action, ShapesController& controller, UndoManager& undo) {
    const std::size_t beeps = controller.beepCount();
    std::string status;
    switch (action.kind) {
    case Kind::Select:
        controller.setSelectionIndexes(action.indexes);
        break;
    case Kind::SelectAll:
    case Kind::DeselectAll:
    case Kind::Command: {
        const std::string name = action.kind == Kind::SelectAll     ? "selectAll"
                                 : action.kind == Kind::DeselectAll ? "deselectAll"
                                                                    : action.name;
        if (!controller.validateCommand(name))
            status = "disabled";
        else
            controller.performCommand(name);
        break;
    }
    case Kind::Offset:
        controller.offset(action.numbers[0], action.numbers[1]);
        undo.setActionName("Move");
        break;
    case Kind::Rotate:
        controller.rotateByDegrees(action.numbers[0], Point(action.numbers[1], action.numbers[2]));
        undo.setActionName("Free Rotate");
        break;
    case Kind::Set: {
        // An inspector control is disabled without a selection.
        if (controller.selectedCount() == 0) {
            status = "disabled";
            break;
        }
        // Only readings of the kind the property holds: the model reads text
        // such as "abc" leniently as 0, which a script never means.
        const Value current = controller.selectedObjects().front()->valueForKeyPath(action.name);
        auto fits = [&current](const Value& v) {
            if (current.isNull() || current.isMarker())
                return true;
            return current.isNumber() ? v.isNumber() : v.kind() == current.kind();
        };
        bool taken = false;
        for (const Value& value : action.values)
            if (fits(value) &&
                (taken = controller.selection().setValueForKeyPath(value, action.name)))
                break;
        if (!taken)
            status = "refused";
        break;
    }
    case Kind::Undo:
        if (!undo.canUndo())
            status = "disabled";
        else
            undo.undo();
        break;
    case Kind::Redo:
        if (!undo.canRedo())
            status = "disabled";
        else
            undo.redo();
        break;
    }
    // The end of the event that carried the action closes its undo step.
    undo.endEventGroup();
    if (status.empty() && controller.beepCount() != beeps)
        status = "beep";
    return status;
}

int runApply(const std::vector<std::string>& args, CommandIO& io) {
    std::optional<std::string> list;
    std::vector<std::string> files;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--" && !optionsEnded) {
            optionsEnded = true;
            continue;
        }
        const std::optional<Option> option = optionsEnded ? std::nullopt : parseOption(arg);
        if (!option) {
            files.push_back(arg);
            continue;
        }
        if (option->name != "actions")
            return usageError(io, "apply", "unknown option --" + option->name);
        if (option->value)
            list = option->value;
        else if (i + 1 < args.size())
            list = args[++i];
        else
            return usageError(io, "apply", "--actions needs a list of actions");
    }
    if (!list)
        return usageError(io, "apply", "needs --actions LIST");
    if (files.size() != 2)
        return usageError(io, "apply", "needs an input and an output document");

    std::vector<Action> actions;
    for (const std::string& text : splitActions(*list)) {
        std::string error;
        std::optional<Action> action = parseAction(text, error);
        if (!action)
            return usageError(io, "apply", error);
        actions.push_back(std::move(*action));
    }

    std::unique_ptr<DrawDocument> document = loadDocument(files[0], io);
    if (!document)
        return kExitUnreadable;
    UndoManager& undo = document->undoManager();
    // Reading registers nothing; start from a clean history all the same.
    undo.removeAllActions();
    {
        ShapesController controller(document.get());
        controller.setBeepHook([] {});
        for (const Action& action : actions) {
            const std::string status = perform(action, controller, undo);
            io.out << action.text << '\t' << (undo.canUndo() ? undo.undoMenuItemTitle() : "-");
            if (!status.empty())
                io.out << '\t' << status;
            io.out << '\n';
        }
        io.out.flush();
        controller.setDocument(nullptr);
    }
    const DocumentResult written = document->writeToPackage(files[1]);
    if (!written)
        return fail(io, kExitOutputFailed, files[1], written.error);
    return kExitSuccess;
}

const CommandRegistration registration({
    "apply",
    "--actions LIST IN.qvdraw OUT.qvdraw",
    "Edits the document with a semicolon-separated list of actions and saves it: "
    "select:I,J,...  select-all  deselect-all  offset:DX,DY  rotate:DEGREES,X,Y  "
    "set:KEYPATH=VALUE  undo  redo, and every arrangement command by name (bringToFront, "
    "alignLeftEdges, group, duplicate, ...). After each action it prints the action, the "
    "Undo menu title (or -) and beep, disabled or refused when the action did not go through.",
    runApply,
    50,
});

} // namespace

} // namespace qv::cli
