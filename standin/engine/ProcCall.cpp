#include "standin/engine/ProcCall.h"

#include "core/Numbers.h"
#include "core/Text.h"
#include "standin/engine/Batch.h"
#include "standin/engine/Diagnostics.h"

#include <algorithm>
#include <cmath>

using namespace tarvik;

namespace standin {

namespace {

constexpr int kMaxNesting = 32;

std::string NumberText(const Value& v) {
    if (v.Type == SQLITE_INTEGER) return std::to_string(v.Int);
    return FormatGeneral(v.Real, 15);
}

SqlError ConversionFailed(const Value& v, const ColumnInfo& type) {
    return SqlError("22018", 245,
                    "Conversion failed when converting the varchar value '" + v.Text + "' to data type " +
                        type.TypeName + ".");
}

// A number from a value; text must hold one whole.
double NumberOf(const Value& v, const ColumnInfo& type) {
    if (v.Type == SQLITE_INTEGER) return static_cast<double>(v.Int);
    if (v.Type == SQLITE_FLOAT) return v.Real;
    double d = 0;
    if (!ParseDouble(TrimBlanks(v.Text), d)) throw ConversionFailed(v, type);
    return d;
}

sqlite3_int64 IntegerOf(const Value& v, const ColumnInfo& type) {
    if (v.Type == SQLITE_INTEGER) return v.Int;
    if (v.Type == SQLITE_FLOAT) return static_cast<sqlite3_int64>(v.Real);
    std::int64_t n = 0;
    if (!ParseInt64(TrimBlanks(v.Text), n)) throw ConversionFailed(v, type);
    return n;
}

// Text cut to a number of characters, counting UTF-8 sequences as one.
std::string CutCharacters(const std::string& s, size_t characters) {
    size_t count = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) continue;
        if (count++ == characters) return s.substr(0, i);
    }
    return s;
}

} // namespace

Value Coerce(const Value& v, const ColumnInfo& type) {
    if (v.Type == SQLITE_NULL) return v;
    switch (type.Kind) {
    case Render::Integer:
        return Value::Integer(IntegerOf(v, type));
    case Render::Bit:
        return Value::Integer(NumberOf(v, type) != 0 ? 1 : 0);
    case Render::Float:
        return Value::Float(NumberOf(v, type));
    case Render::Decimal: {
        double scale = std::pow(10.0, type.Digits);
        double d = std::round(NumberOf(v, type) * scale) / scale;
        if (std::floor(d) == d && std::fabs(d) < 9.0e15) return Value::Integer(static_cast<sqlite3_int64>(d));
        return Value::Float(d);
    }
    case Render::Text: {
        std::string text = v.Type == SQLITE_INTEGER || v.Type == SQLITE_FLOAT ? NumberText(v) : v.Text;
        return Value::String(type.IsLong() ? text : CutCharacters(text, type.Size));
    }
    case Render::Binary: {
        std::string bytes = v.Type == SQLITE_INTEGER || v.Type == SQLITE_FLOAT ? NumberText(v) : v.Text;
        return Value::Bytes(type.IsLong() ? bytes : bytes.substr(0, type.Size));
    }
    default:
        return v.Type == SQLITE_INTEGER || v.Type == SQLITE_FLOAT ? Value::String(NumberText(v)) : v;
    }
}

namespace {

// Which argument gives each parameter its value; checks names, counts and OUTPUT requests.
std::vector<const ExecArg*> MatchArguments(const ProcedureDef& def, const std::vector<ExecArg>& args) {
    std::vector<const ExecArg*> of(def.Params.size(), nullptr);
    bool named = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const ExecArg& a = args[i];
        size_t p = 0;
        if (a.Name.empty()) {
            if (named)
                throw SqlError(
                    "42000", 119,
                    "Must pass parameter number " + std::to_string(i + 1) +
                        " and subsequent parameters as '@name = value'. After the form '@name = "
                        "value' has been used, all subsequent parameters must be passed in the form "
                        "'@name = value'.");
            if (i >= def.Params.size())
                throw SqlError("42000", 8144,
                               "Procedure or function " + def.Name + " has too many arguments specified.");
            p = i;
        } else {
            named = true;
            auto it = std::find_if(def.Params.begin(), def.Params.end(), [&](const ProcParam& q) {
                return UpperAscii(q.Name.substr(1)) == a.Name;
            });
            if (it == def.Params.end())
                throw SqlError("42000", 8145,
                               "@" + a.Name + " is not a parameter for procedure " + def.Name + ".");
            p = static_cast<size_t>(it - def.Params.begin());
        }
        if (a.Output && !def.Params[p].Output)
            throw SqlError(
                "42000", 8162,
                "The formal parameter \"" + def.Params[p].Name +
                    "\" was not declared as an OUTPUT parameter, but the actual parameter passed in "
                    "requested output.");
        of[p] = &a;
    }
    return of;
}

} // namespace

CallOutcome CallProcedure(ConnectionState& conn, const ProcedureDef& def, const std::vector<ExecArg>& args,
                          int depth, bool noCount) {
    if (depth >= kMaxNesting)
        throw SqlError(
            "42000", 217,
            "Maximum stored procedure, function, trigger, or view nesting level exceeded (limit 32).");
    auto of = MatchArguments(def, args);
    Frame frame;
    frame.NoCount = noCount;
    for (size_t p = 0; p < def.Params.size(); ++p) {
        const ProcParam& param = def.Params[p];
        Variable var{param.Type, Value::Null()};
        if (of[p] && !of[p]->Default)
            var.Val = Coerce(of[p]->Val, param.Type);
        else if (param.Default)
            var.Val = Coerce(*param.Default, param.Type);
        else
            throw SqlError("42000", 201,
                           "Procedure or function '" + def.Name + "' expects parameter '" + param.Name +
                               "', which was not supplied.");
        frame.Vars[UpperAscii(param.Name)] = std::move(var);
    }
    CallOutcome out;
    try {
        Batch body(conn, def.Body, frame, depth + 1);
        Result r;
        while (body.Next(r)) {
            if (r.Rows) r.Rows = Materialize(*r.Rows, 0);
            out.Results.push_back(std::move(r));
            r = Result{};
        }
    } catch (const SqlError& e) {
        out.Error = e;
        return out;
    }
    out.ReturnValue = frame.ReturnValue;
    for (size_t p = 0; p < def.Params.size(); ++p)
        if (of[p] && of[p]->Output)
            out.Outputs.emplace_back(static_cast<size_t>(of[p] - args.data()),
                                     frame.Vars[UpperAscii(def.Params[p].Name)]);
    return out;
}

} // namespace standin
