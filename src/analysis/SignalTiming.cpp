// Reading signal timing: the combined UTDF CSV and the plain table.

#include "SignalTiming.h"

#include "SystemFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QMap>

#include <algorithm>
#include <cmath>

namespace timing {

namespace {

// A corridor's UTDF file is a few megabytes; larger is not one.
constexpr qint64 kLargestFile = 64 * 1024 * 1024;
constexpr qsizetype kMostFields = 1024;
constexpr int kMostPhases = 40;
constexpr qsizetype kMostIntersections = 100'000;
constexpr double kLongestCycleS = 1000.0;

constexpr const char* kMovementNames[kMovements] = {"NBT", "SBT", "EBT", "WBT"};

// One CSV line into its fields: commas separate, double quotes enclose a
// field that holds commas or quotes ("" is a quote). Nothing for an open
// quote or a line of too many fields.
std::optional<QList<QByteArray>> csvFields(QByteArrayView line)
{
    QList<QByteArray> fields;
    fields.reserve(32);
    fields.append(QByteArray());
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                fields.last() += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                fields.last() += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            if (fields.size() >= kMostFields) {
                return std::nullopt;
            }
            fields.append(QByteArray());
        } else {
            fields.last() += c;
        }
    }
    if (quoted) {
        return std::nullopt;
    }
    return fields;
}

// The lines of a file one at a time, with their numbers, CR LF or LF.
class Lines
{
public:
    explicit Lines(const QByteArray& text) : text_(text) {}
    bool next()
    {
        if (at_ > text_.size()) {
            return false;
        }
        qsizetype end = text_.indexOf('\n', at_);
        if (end < 0) {
            end = text_.size();
        }
        line_ = QByteArrayView(text_).sliced(at_, end - at_);
        if (line_.endsWith('\r')) {
            line_.chop(1);
        }
        at_ = end + 1;
        ++number_;
        return true;
    }
    QByteArrayView line() const { return line_; }
    int number() const { return number_; }

private:
    const QByteArray& text_;
    qsizetype at_ = 0;
    QByteArrayView line_;
    int number_ = 0;
};

// A cell's number: nothing for an empty cell; an error for anything but a
// number ('.' as the decimal point).
struct Number
{
    std::optional<double> value;
    bool bad = false;
};
Number number(const QByteArray& cell)
{
    const QByteArray text = cell.trimmed();
    if (text.isEmpty()) {
        return {};
    }
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || !std::isfinite(v)) {
        return {std::nullopt, true};
    }
    return {v, false};
}

double wrapped(double t, double cycle)
{
    const double r = std::fmod(t, cycle);
    return r < 0 ? r + cycle : r;
}

struct PhaseTimes
{
    std::optional<double> start, end, yield, yellow, allRed, localStart, localYield;
};

// What the file says of one intersection, before its greens are worked out.
struct Raw
{
    std::optional<double> cycle;
    std::optional<double> offset;
    int cycleLine = 0;
    QMap<int, PhaseTimes> phases;
    std::array<std::optional<int>, kMovements> phaseOf;
};

enum class Section : quint8
{
    Other,
    Network,
    Lanes,
    Timeplans,
    Phases,
};

Section sectionNamed(QByteArrayView name)
{
    const QByteArray n = name.toByteArray().toLower();
    if (n == "network") {
        return Section::Network;
    }
    if (n == "lanes") {
        return Section::Lanes;
    }
    if (n == "timeplans") {
        return Section::Timeplans;
    }
    if (n == "phases") {
        return Section::Phases;
    }
    return Section::Other;
}

class UtdfReader
{
public:
    explicit UtdfReader(const QString& file) : file_(file) {}

    SignalTiming read(const QByteArray& text);

private:
    // "FILE, [Phases] line 1040, column D3: " and what follows.
    QString at(int line, const QByteArray& column) const
    {
        return column.isEmpty() ? QStringLiteral("%1, [%2] line %3: ")
                                      .arg(file_, QString::fromLatin1(sectionName_))
                                      .arg(line)
                                : QStringLiteral("%1, [%2] line %3, column %4: ")
                                      .arg(file_, QString::fromLatin1(sectionName_))
                                      .arg(line)
                                      .arg(QString::fromLatin1(column));
    }
    bool fail(const QString& error)
    {
        if (error_.isEmpty()) {
            error_ = error;
        }
        return false;
    }
    bool header(const QList<QByteArray>& fields, int line);
    bool record(const QList<QByteArray>& fields, int line);
    // The column's cell as a number, failing on anything else.
    bool cellNumber(const QList<QByteArray>& fields, int column, int line,
                    std::optional<double>* out);
    Raw* intersection(const QList<QByteArray>& fields, int line);
    SignalTiming finish();

    QString file_;
    QString error_;
    Section section_ = Section::Other;
    QByteArray sectionName_;
    QList<QByteArray> columnNames_; // of the section's header; empty before it
    int recordColumn_ = -1;
    int intidColumn_ = -1;
    int dataColumn_ = -1;
    QList<std::pair<int, int>> phaseColumns_;                     // column, phase number
    std::array<int, kMovements> movementColumns_{-1, -1, -1, -1}; // [Lanes]
    int version_ = 0;
    bool seen_[5] = {};
    QHash<int, Raw> raw_;
    QList<int> order_; // INTIDs as first met, for messages in file order
};

SignalTiming UtdfReader::read(const QByteArray& text)
{
    Lines lines(text);
    while (lines.next() && error_.isEmpty()) {
        const QByteArrayView line = lines.line();
        const QByteArrayView trimmed = line.trimmed();
        if (trimmed.isEmpty()) {
            continue;
        }
        if (trimmed.startsWith('[')) {
            // Spreadsheets save "[Lanes],,,,": the commas are no part of the name.
            QByteArrayView name = trimmed;
            while (name.endsWith(',') || name.endsWith(' ')) {
                name.chop(1);
            }
            if (name.endsWith(']')) {
                sectionName_ = name.sliced(1, name.size() - 2).trimmed().toByteArray();
                section_ = sectionNamed(sectionName_);
                seen_[int(section_)] = true;
                columnNames_.clear();
                continue;
            }
        }
        if (section_ == Section::Other) {
            continue;
        }
        const std::optional<QList<QByteArray>> fields = csvFields(line);
        if (!fields) {
            fail(at(lines.number(), {}) +
                 QStringLiteral("a quote is not closed, or the line has over %1 columns")
                     .arg(kMostFields));
            break;
        }
        if (columnNames_.isEmpty()) {
            // Each section has a title line ("Phasing Data") before the line
            // naming its columns; only the latter matters.
            const bool names = std::any_of(fields->begin(), fields->end(), [](const QByteArray& f) {
                return f.trimmed().compare("RECORDNAME", Qt::CaseInsensitive) == 0;
            });
            if (names) {
                header(*fields, lines.number());
            }
            continue;
        }
        record(*fields, lines.number());
    }
    if (!error_.isEmpty()) {
        return {
            {},
            version_,
            error_,
        };
    }
    if (!seen_[int(Section::Timeplans)] || !seen_[int(Section::Phases)] ||
        !seen_[int(Section::Lanes)]) {
        const char* missing = !seen_[int(Section::Timeplans)] ? "[Timeplans]"
                              : !seen_[int(Section::Phases)]  ? "[Phases]"
                                                              : "[Lanes]";
        return {{},
                version_,
                QStringLiteral("%1: no %2 section; signal timing is read from a combined UTDF "
                               "CSV (sections [Lanes], [Timeplans], [Phases]) or a table with "
                               "the columns intid,cycle_s,movement,green_start_s,green_end_s")
                    .arg(file_, QString::fromLatin1(missing))};
    }
    return finish();
}

bool UtdfReader::header(const QList<QByteArray>& fields, int line)
{
    columnNames_.clear();
    recordColumn_ = intidColumn_ = dataColumn_ = -1;
    phaseColumns_.clear();
    movementColumns_.fill(-1);
    for (qsizetype c = 0; c < fields.size(); ++c) {
        const QByteArray name = fields[c].trimmed().toUpper();
        columnNames_.append(name);
        if (name.isEmpty()) {
            continue; // a spreadsheet's trailing comma
        }
        if (name == "RECORDNAME" && recordColumn_ < 0) {
            recordColumn_ = int(c);
        } else if (name == "INTID" && intidColumn_ < 0) {
            intidColumn_ = int(c);
        } else if (name == "DATA" && dataColumn_ < 0) {
            dataColumn_ = int(c);
        } else if (name.size() > 1 && name[0] == 'D') {
            bool ok = false;
            const int phase = name.mid(1).toInt(&ok);
            if (ok && phase >= 1 && phase <= kMostPhases) {
                phaseColumns_.append({int(c), phase});
            }
        } else if (const std::optional<Movement> m = movementNamed(name)) {
            if (movementColumns_[int(*m)] < 0) {
                movementColumns_[int(*m)] = int(c);
            }
        }
    }
    const auto need = [&](int column, const char* name) {
        return column >= 0 ||
               fail(at(line, {}) + QStringLiteral("the line naming the columns has no %1 column")
                                       .arg(QString::fromLatin1(name)));
    };
    switch (section_) {
    case Section::Network:
        return need(dataColumn_, "DATA");
    case Section::Timeplans:
        return need(intidColumn_, "INTID") && need(dataColumn_, "DATA");
    case Section::Phases:
        return need(intidColumn_, "INTID") &&
               (!phaseColumns_.isEmpty() ||
                fail(at(line, {}) + QStringLiteral("the line naming the columns names no phase "
                                                   "(D1, D2, ...)")));
    case Section::Lanes:
        return need(intidColumn_, "INTID");
    case Section::Other:
        break;
    }
    return true;
}

bool UtdfReader::cellNumber(const QList<QByteArray>& fields, int column, int line,
                            std::optional<double>* out)
{
    const QByteArray cell = fields.value(column);
    const Number n = number(cell);
    if (n.bad) {
        return fail(at(line, columnNames_.value(column)) +
                    QStringLiteral("%1 \"%2\" is not a number")
                        .arg(QString::fromLatin1(fields.value(recordColumn_).trimmed()),
                             QString::fromUtf8(cell.trimmed())));
    }
    if (n.value) {
        *out = n.value;
    }
    return true;
}

Raw* UtdfReader::intersection(const QList<QByteArray>& fields, int line)
{
    const QByteArray cell = fields.value(intidColumn_).trimmed();
    bool ok = false;
    const int id = cell.toInt(&ok);
    if (!ok) {
        fail(at(line, "INTID") +
             QStringLiteral("\"%1\" is not an intersection number").arg(QString::fromUtf8(cell)));
        return nullptr;
    }
    auto it = raw_.find(id);
    if (it == raw_.end()) {
        if (raw_.size() >= kMostIntersections) {
            fail(at(line, "INTID") +
                 QStringLiteral("over %1 intersections").arg(kMostIntersections));
            return nullptr;
        }
        it = raw_.insert(id, Raw());
        order_.append(id);
    }
    return &it.value();
}

bool UtdfReader::record(const QList<QByteArray>& fields, int line)
{
    const QByteArray name = fields.value(recordColumn_).trimmed().toLower().replace(' ', "");
    if (section_ == Section::Network) {
        if (name == "utdfversion") {
            std::optional<double> v;
            if (!cellNumber(fields, dataColumn_, line, &v)) {
                return false;
            }
            version_ = v ? int(*v) : 0;
        }
        return true;
    }
    if (section_ == Section::Timeplans) {
        if (name != "cyclelength" && name != "offset") {
            return true;
        }
        Raw* raw = intersection(fields, line);
        if (!raw) {
            return false;
        }
        if (name == "offset") {
            return cellNumber(fields, dataColumn_, line, &raw->offset);
        }
        if (!cellNumber(fields, dataColumn_, line, &raw->cycle)) {
            return false;
        }
        raw->cycleLine = line;
        if (raw->cycle && !(*raw->cycle > 0.0 && *raw->cycle <= kLongestCycleS)) {
            return fail(at(line, "DATA") + QStringLiteral("Cycle Length %1 is not above 0 and at "
                                                          "most %2 s")
                                               .arg(*raw->cycle)
                                               .arg(kLongestCycleS));
        }
        return true;
    }
    if (section_ == Section::Phases) {
        std::optional<double> PhaseTimes::*field = nullptr;
        if (name == "start") {
            field = &PhaseTimes::start;
        } else if (name == "end") {
            field = &PhaseTimes::end;
        } else if (name == "yield") {
            field = &PhaseTimes::yield;
        } else if (name == "yellow") {
            field = &PhaseTimes::yellow;
        } else if (name == "allred") {
            field = &PhaseTimes::allRed;
        } else if (name == "localstart") {
            field = &PhaseTimes::localStart;
        } else if (name == "localyield") {
            field = &PhaseTimes::localYield;
        } else {
            return true;
        }
        Raw* raw = intersection(fields, line);
        if (!raw) {
            return false;
        }
        for (const auto& [column, phase] : phaseColumns_) {
            std::optional<double> v;
            if (!cellNumber(fields, column, line, &v)) {
                return false;
            }
            if (v) {
                raw->phases[phase].*field = v;
            }
        }
        return true;
    }
    if (section_ == Section::Lanes && name == "phase1") {
        Raw* raw = intersection(fields, line);
        if (!raw) {
            return false;
        }
        for (int m = 0; m < kMovements; ++m) {
            const int column = movementColumns_[m];
            if (column < 0) {
                continue;
            }
            std::optional<double> v;
            if (!cellNumber(fields, column, line, &v)) {
                return false;
            }
            if (v && !(*v >= 0 && *v <= kMostPhases && *v == std::floor(*v))) {
                return fail(at(line, columnNames_.value(column)) +
                            QStringLiteral("Phase1 %1 is not a phase number from 1 to %2")
                                .arg(*v)
                                .arg(kMostPhases));
            }
            if (v && *v > 0) {
                raw->phaseOf[m] = int(*v);
            }
        }
    }
    return true;
}

SignalTiming UtdfReader::finish()
{
    SignalTiming out;
    out.utdfVersion = version_;
    for (const int id : order_) {
        const Raw& raw = raw_[id];
        if (!raw.cycle) {
            continue; // no timing plan: not a signal
        }
        Intersection x;
        x.id = id;
        x.cycleS = *raw.cycle;
        const double offset = raw.offset.value_or(0.0);
        for (int m = 0; m < kMovements; ++m) {
            const char* movement = kMovementNames[m];
            if (!raw.phaseOf[m]) {
                x.whyNone[m] = QStringLiteral("its [Lanes] Phase1 gives %1 no phase")
                                   .arg(QString::fromLatin1(movement));
                continue;
            }
            const int phase = *raw.phaseOf[m];
            const PhaseTimes p = raw.phases.value(phase);
            const std::optional<double> start = p.start ? p.start
                                                : p.localStart
                                                    ? std::optional<double>(*p.localStart + offset)
                                                    : std::nullopt;
            std::optional<double> end = p.yield;
            if (!end && p.localYield) {
                end = *p.localYield + offset;
            }
            if (!end && p.end && p.yellow && p.allRed) {
                end = *p.end - *p.yellow - *p.allRed;
            }
            if (!start || !end) {
                x.whyNone[m] =
                    QStringLiteral("%1's phase D%2 has no %3 in [Phases]")
                        .arg(QString::fromLatin1(movement))
                        .arg(phase)
                        .arg(!start ? QStringLiteral("Start")
                                    : QStringLiteral("Yield (nor End, Yellow and AllRed)"));
                continue;
            }
            const Green g{wrapped(*start, x.cycleS), wrapped(*end, x.cycleS)};
            if (std::fabs(g.end - g.start) < 1e-9) {
                x.whyNone[m] = QStringLiteral("%1's phase D%2 has a green of no length")
                                   .arg(QString::fromLatin1(movement))
                                   .arg(phase);
                continue;
            }
            x.greens[m].append(g);
        }
        out.intersections.insert(id, x);
    }
    return out;
}

// intid,cycle_s,movement,green_start_s,green_end_s: one row per green.
SignalTiming parsePlain(const QByteArray& text, const QString& file)
{
    const char* const kNames[] = {"intid", "cycle_s", "movement", "green_start_s", "green_end_s"};
    int column[5] = {-1, -1, -1, -1, -1};
    QList<QByteArray> names;
    SignalTiming out;
    const auto failed = [&](const QString& error) { return SignalTiming{{}, 0, error}; };
    Lines lines(text);
    bool headerSeen = false;
    while (lines.next()) {
        const int line = lines.number();
        if (lines.line().trimmed().isEmpty()) {
            continue;
        }
        const std::optional<QList<QByteArray>> fields = csvFields(lines.line());
        if (!fields) {
            return failed(QStringLiteral("%1, line %2: a quote is not closed, or the line has "
                                         "over %3 columns")
                              .arg(file)
                              .arg(line)
                              .arg(kMostFields));
        }
        if (!headerSeen) {
            headerSeen = true;
            for (qsizetype f = 0; f < fields->size(); ++f) {
                names.append(fields->at(f).trimmed().toLower());
                for (int k = 0; k < 5; ++k) {
                    if (names.last() == kNames[k] && column[k] < 0) {
                        column[k] = int(f);
                    }
                }
            }
            if (std::find(std::begin(column), std::end(column), -1) != std::end(column)) {
                return failed(QStringLiteral("%1, line %2: the first line must name the columns "
                                             "intid,cycle_s,movement,green_start_s,green_end_s")
                                  .arg(file)
                                  .arg(line));
            }
            continue;
        }
        const auto bad = [&](int k, const QString& what) {
            return failed(QStringLiteral("%1, line %2, column %3: \"%4\" %5")
                              .arg(file)
                              .arg(line)
                              .arg(QString::fromLatin1(kNames[k]),
                                   QString::fromUtf8(fields->value(column[k]).trimmed()), what));
        };
        bool ok = false;
        const int id = fields->value(column[0]).trimmed().toInt(&ok);
        if (!ok) {
            return bad(0, QStringLiteral("is not an intersection number"));
        }
        double v[5] = {};
        for (int k : {1, 3, 4}) {
            const Number n = number(fields->value(column[k]));
            if (!n.value) {
                return bad(k, QStringLiteral("is not a number of seconds"));
            }
            v[k] = *n.value;
        }
        if (!(v[1] > 0.0 && v[1] <= kLongestCycleS)) {
            return bad(
                1, QStringLiteral("is not a cycle above 0 and at most %1 s").arg(kLongestCycleS));
        }
        const std::optional<Movement> m =
            movementNamed(fields->value(column[2]).trimmed().toUpper());
        if (!m) {
            return bad(2, QStringLiteral("is not NBT, SBT, EBT or WBT"));
        }
        auto it = out.intersections.find(id);
        if (it == out.intersections.end()) {
            if (out.intersections.size() >= kMostIntersections) {
                return bad(0,
                           QStringLiteral("is one intersection over %1").arg(kMostIntersections));
            }
            it = out.intersections.insert(id, Intersection{id, v[1], {}, {}});
        } else if (std::fabs(it->cycleS - v[1]) > 1e-9) {
            return bad(
                1,
                QStringLiteral("is not the cycle an earlier line gives intersection %1").arg(id));
        }
        for (int k : {3, 4}) {
            if (!(v[k] >= 0.0 && v[k] <= v[1])) {
                return bad(k, QStringLiteral("is not within the cycle of %1 s").arg(v[1]));
            }
        }
        const Green g{wrapped(v[3], v[1]), wrapped(v[4], v[1])};
        if (std::fabs(g.end - g.start) < 1e-9) {
            return bad(4, QStringLiteral("ends the green where it starts"));
        }
        it->greens[int(*m)].append(g);
    }
    if (!headerSeen) {
        return failed(QStringLiteral("%1: the file is empty").arg(file));
    }
    for (Intersection& x : out.intersections) {
        for (int m = 0; m < kMovements; ++m) {
            if (x.greens[m].isEmpty()) {
                x.whyNone[m] = QStringLiteral("no line gives %1 a green")
                                   .arg(QString::fromLatin1(kMovementNames[m]));
            }
        }
    }
    return out;
}

} // namespace

const char* movementName(Movement m)
{
    return kMovementNames[int(m)];
}

std::optional<Movement> movementNamed(QByteArrayView name)
{
    for (int m = 0; m < kMovements; ++m) {
        if (name == kMovementNames[m]) {
            return Movement(m);
        }
    }
    return std::nullopt;
}

std::optional<Movement> throughMovement(qint16 direction)
{
    switch (direction) {
    case 1:
        return Movement::SBT;
    case 2:
        return Movement::NBT;
    case 3:
        return Movement::WBT;
    case 4:
        return Movement::EBT;
    default:
        return std::nullopt;
    }
}

double Intersection::inCycle(double t) const
{
    return wrapped(t, cycleS);
}

bool Intersection::isGreen(Movement m, double t) const
{
    const double r = inCycle(t);
    for (const Green& g : greens[int(m)]) {
        const bool in =
            g.start <= g.end ? (r >= g.start && r < g.end) : (r >= g.start || r < g.end);
        if (in) {
            return true;
        }
    }
    return false;
}

double sinceCycleZero(double secondsOfDay, double cycleZeroSecondsOfDay)
{
    return wrapped(secondsOfDay - cycleZeroSecondsOfDay, 86400.0);
}

const Intersection* SignalTiming::find(int id) const
{
    const auto it = intersections.constFind(id);
    return it == intersections.constEnd() ? nullptr : &it.value();
}

SignalTiming parseSignalTiming(const QByteArray& content, const QString& name)
{
    QByteArrayView text = content;
    if (text.startsWith("\xEF\xBB\xBF")) { // a byte order mark, as spreadsheets save
        text = text.sliced(3);
    }
    const QByteArray body = text.toByteArray();
    // The plain table names its columns on its first line; UTDF starts with a section.
    const QByteArray first = body.trimmed().left(body.trimmed().indexOf('\n'));
    if (first.toLower().contains("cycle_s")) {
        return parsePlain(body, name);
    }
    return UtdfReader(name).read(body);
}

SignalTiming readSignalTiming(const QString& path)
{
    const auto failed = [](const QString& error) { return SignalTiming{{}, 0, error}; };
    QFile file;
    QString why;
    switch (openRegularFile(file, path, &why)) {
    case RegularFile::Opened:
        break;
    case RegularFile::Missing:
        return failed(QStringLiteral("%1 does not exist").arg(path));
    case RegularFile::Folder:
    case RegularFile::NotRegular:
        return failed(QStringLiteral("%1 is not a regular file").arg(path));
    case RegularFile::Failed:
        return failed(QStringLiteral("%1 cannot be read: %2").arg(path, why));
    }
    // Read no more than the limit, whatever size the file claims or grows to.
    const QByteArray content = file.read(kLargestFile + 1);
    if (content.size() > kLargestFile) {
        return failed(QStringLiteral("%1 is too large for a signal timing file").arg(path));
    }
    return parseSignalTiming(content, QFileInfo(path).fileName());
}

std::optional<QHash<int, int>> parseSignalNodes(const QString& text, QString* error)
{
    QHash<int, int> out;
    for (const QString& pair : text.split(u',', Qt::SkipEmptyParts)) {
        const QStringList parts = pair.split(u'=');
        bool okNode = false;
        bool okId = false;
        const int node = parts.value(0).trimmed().toInt(&okNode);
        const int id = parts.value(1).trimmed().toInt(&okId);
        if (parts.size() != 2 || !okNode || !okId || node < 1) {
            *error = QStringLiteral("--signal-nodes takes N=INTID,... with N a node number from 1; "
                                    "\"%1\" is not one")
                         .arg(pair);
            return std::nullopt;
        }
        out.insert(node, id);
    }
    if (out.isEmpty()) {
        *error = QStringLiteral("--signal-nodes takes N=INTID,..., such as 1=39,2=75");
        return std::nullopt;
    }
    return out;
}

NodeSignals::NodeSignals(SignalTiming timing, double cycleZeroSecondOfDay)
    : timing_(std::move(timing)), cycleZero_(cycleZeroSecondOfDay)
{
}

void NodeSignals::setNodes(const QHash<int, int>& intidOfNode)
{
    byNode_ = intidOfNode;
}

void NodeSignals::setRoute(const QList<std::optional<int>>& intidOfCheckpoint,
                           qint16 forwardDirection, qint16 backwardDirection)
{
    byCheckpoint_ = intidOfCheckpoint;
    forward_ = forwardDirection;
    backward_ = backwardDirection;
}

QString NodeSignals::check(const QString& timingFile) const
{
    QList<int> ids = byNode_.values();
    for (const std::optional<int>& id : byCheckpoint_) {
        if (id) {
            ids.append(*id);
        }
    }
    std::sort(ids.begin(), ids.end());
    for (const int id : ids) {
        if (!timing_.find(id)) {
            return QStringLiteral("%1 has no timing plan for intersection %2")
                .arg(timingFile)
                .arg(id);
        }
    }
    return {};
}

const Intersection* NodeSignals::at(qint16 direction, qint16 node) const
{
    if (!byCheckpoint_.isEmpty()) {
        const qsizetype n = byCheckpoint_.size();
        const qsizetype k = direction == backward_ && backward_ != forward_ ? n - 1 - node : node;
        return k >= 0 && k < n && byCheckpoint_[k] ? timing_.find(*byCheckpoint_[k]) : nullptr;
    }
    const auto it = byNode_.constFind(node);
    return it == byNode_.constEnd() ? nullptr : timing_.find(*it);
}

double NodeSignals::sinceCycleZeroAt(qint64 stampMs) const
{
    constexpr qint64 kMsPerDay = 86'400'000;
    const qint64 msOfDay = ((stampMs % kMsPerDay) + kMsPerDay) % kMsPerDay;
    return sinceCycleZero(double(msOfDay) / 1000.0, cycleZero_);
}

std::optional<bool> NodeSignals::onGreen(qint16 direction, qint16 node, qint64 stampMs) const
{
    const Intersection* x = at(direction, node);
    const std::optional<Movement> m = throughMovement(direction);
    if (!x || !m || x->greens[int(*m)].isEmpty()) {
        return std::nullopt;
    }
    return x->isGreen(*m, sinceCycleZeroAt(stampMs));
}

QList<qint16> NodeSignals::nodesOf(qint16 direction) const
{
    QList<qint16> out;
    const qsizetype most = byCheckpoint_.isEmpty() ? 0 : byCheckpoint_.size();
    if (byCheckpoint_.isEmpty()) {
        for (auto it = byNode_.cbegin(); it != byNode_.cend(); ++it) {
            if (at(direction, qint16(it.key()))) {
                out.append(qint16(it.key()));
            }
        }
        std::sort(out.begin(), out.end());
        return out;
    }
    for (qsizetype node = 1; node < most - 1; ++node) {
        if (at(direction, qint16(node))) {
            out.append(qint16(node));
        }
    }
    return out;
}

} // namespace timing
