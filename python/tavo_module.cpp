// The Python module tavo: a tracking session (tavo.Tracker), a video run
// read as tavo-track reads it (tavo.track_video) and its scoring against
// ground truth (tavo.score).  The settings are the library's, set by name
// through its settings table (tracker/setting_table.h), whose names are
// tavo-track's options without the dashes; frames are copied out
// of numpy before the interpreter lock is released, so that other Python
// threads run while a frame is tracked.

#include "app/file_kind.h"
#include "app/video_source.h"
#include "evaluation/mot_file.h"
#include "evaluation/scoring.h"
#include "evaluation/text_input.h"
#include "python/evaluation_binding.h"
#include "python/target_binding.h"
#include "render/box_drawing.h"
#include "render/drawing_style.h"
#include "support/box.h"
#include "support/number_text.h"
#include "support/tick_source.h"
#include "tracker/memory_estimate.h"
#include "tracker/setting_table.h"
#include "tracker/tracking_session.h"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#ifndef TAVO_VERSION
#define TAVO_VERSION "unknown"
#endif

namespace py = pybind11;
using namespace tavo_eval;

namespace {

// ---------------------------------------------------------------------------
// Paths and messages.  A path is taken as Python's own functions take it
// (str, bytes or os.PathLike) and kept as the bytes the file system knows
// it by; a message naming it reads as os.fsdecode reads the name, so that
// a name that is not UTF-8 is shown, not lost.

std::string pathFrom(py::handle path)
{
    const py::bytes encoded = py::module_::import("os").attr("fsencode")(path);
    std::string bytes = encoded;
    if (bytes.find('\0') != std::string::npos)
        throw py::value_error("embedded null byte");  // as open() refuses it
    return bytes;
}

// The command's text, paths included, as a Python str.
py::str pythonText(const std::string& text)
{
    PyObject* str = PyUnicode_DecodeFSDefaultAndSize(text.data(), static_cast<Py_ssize_t>(text.size()));
    if (!str)
        throw py::error_already_set();
    return py::reinterpret_steal<py::str>(str);
}

[[noreturn]] void raise(PyObject* type, const std::string& message)
{
    PyErr_SetObject(type, pythonText(message).ptr());
    throw py::error_already_set();
}

// ---------------------------------------------------------------------------
// Settings: keyword arguments in snake_case, set as the options' texts.

std::string snakeCase(std::string name)
{
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
}

std::string dashed(std::string name)
{
    std::replace(name.begin(), name.end(), '_', '-');
    return name;
}

std::string typeName(py::handle value) { return py::str(py::type::handle_of(value).attr("__name__")); }

bool isBool(py::handle value)
{
    if (PyBool_Check(value.ptr()))
        return true;
    const py::object numpy = py::module_::import("numpy");
    return py::isinstance(value, numpy.attr("bool_"));
}

bool isInteger(py::handle value) { return !isBool(value) && PyIndex_Check(value.ptr()); }

bool isReal(py::handle value)
{
    if (isBool(value) || PyUnicode_Check(value.ptr()) || PyBytes_Check(value.ptr()))
        return false;
    return PyFloat_Check(value.ptr()) || PyIndex_Check(value.ptr()) ||
           py::hasattr(py::type::handle_of(value), "__float__");
}

// An integer, of any size, as decimal text.
std::string integerText(py::handle value)
{
    return py::str(py::reinterpret_steal<py::object>(PyNumber_Index(value.ptr())));
}

// The shortest text that reads back as the same double.
std::string realText(py::handle value)
{
    const double v = PyFloat_AsDouble(value.ptr());
    if (v == -1.0 && PyErr_Occurred())
        throw py::error_already_set();
    char text[64];
    const auto end = std::to_chars(text, text + sizeof text, v).ptr;
    return std::string(text, end);
}

// A keyword argument's value as its option's text: a str as written, a bool
// as "on"/"off", numbers as numbers, a sequence as its items joined by
// commas.  A value of the wrong type raises TypeError.
std::string optionText(const std::string& keyword, py::handle value, SettingKind kind)
{
    if (PyUnicode_Check(value.ptr()))
        return py::str(value);
    const auto refuse = [&](const char* wanted) {
        throw py::type_error(keyword + " takes " + wanted + ", not " + typeName(value));
    };
    const auto item = [&](py::handle v, bool integer) {
        if (integer ? isInteger(v) : (isInteger(v) || isReal(v)))
            return isInteger(v) ? integerText(v) : realText(v);
        refuse(integer ? "integers" : "numbers");
        return std::string();
    };
    switch (kind) {
    case SettingKind::Flag:
        if (!isBool(value))
            refuse("True or False");
        return value.cast<bool>() ? "on" : "off";
    case SettingKind::Integer:
        if (!isInteger(value))
            refuse("an integer");
        return integerText(value);
    case SettingKind::Real:
        if (!isInteger(value) && !isReal(value))
            refuse("a number");
        return isInteger(value) ? integerText(value) : realText(value);
    case SettingKind::Word:
        refuse("a str");
        break;
    case SettingKind::Integers:
    case SettingKind::Reals: {
        if (!py::isinstance<py::sequence>(value) && !py::isinstance<py::array>(value))
            refuse(kind == SettingKind::Integers ? "a tuple of integers or a str" : "a tuple of numbers or a str");
        std::string text;
        for (py::handle v : value)
            text += (text.empty() ? "" : ",") + item(v, kind == SettingKind::Integers);
        return text;
    }
    }
    return {};
}

std::string settingNameList()
{
    std::string text;
    for (const SettingName& s : settingNames())
        text += (text.empty() ? "" : ", ") + snakeCase(s.name);
    return text;
}

// robust=: True or False, as a flag setting takes it.
bool robustFrom(py::handle robust)
{
    if (!isBool(robust))
        throw py::type_error("robust takes True or False, not " + typeName(robust));
    return robust.cast<bool>();
}

// The settings of the keyword arguments: the defaults, or robustSettings()
// with robust, and then every setting given, as tavo-track sets its options
// over its --robust.  A setting left out keeps its default; None is refused
// as a value of the wrong type, as the command has no empty option.
TrackingSettings settingsFrom(py::handle robust, const py::kwargs& given)
{
    std::map<std::string, SettingKind> kinds;
    for (const SettingName& s : settingNames())
        kinds[snakeCase(s.name)] = s.kind;
    std::string unknown;
    for (const auto& [key, value] : given) {
        const std::string name = py::str(key);
        if (!kinds.count(name))
            unknown += (unknown.empty() ? "'" : ", '") + name + "'";
    }
    if (!unknown.empty())
        throw py::type_error("unknown setting " + unknown + "; the settings are " + settingNameList());

    TrackingSettings settings = robustFrom(robust) ? robustSettings() : TrackingSettings{};
    for (const auto& [key, value] : given) {
        const std::string name = py::str(key);
        const std::string text = optionText(name, value, kinds.at(name));
        if (const auto why = applySetting(settings, dashed(name), text))
            throw py::value_error(name + "=" + std::string(py::repr(value)) + ": " + *why);
    }
    for (const SettingProblem& p : settingProblems(settings))
        throw py::value_error(snakeCase(p.setting) + "=" + p.value + ": expected " + p.expected);
    return settings;
}

// A setting's value as Python gives it back.
py::object settingObject(const std::string& text, SettingKind kind)
{
    const auto number = [](const std::string& t, bool integer) -> py::object {
        if (integer)
            return py::int_(std::stoll(t));
        return py::float_(std::stod(t));
    };
    switch (kind) {
    case SettingKind::Flag:
        return py::bool_(text == "on");
    case SettingKind::Integer:
    case SettingKind::Real:
        if (text.empty())
            return py::none();
        // A number that may also be a word, e.g. parts "auto".
        if (text.find_first_not_of("0123456789.-+eE") != std::string::npos)
            return py::str(text);
        return number(text, kind == SettingKind::Integer);
    case SettingKind::Word:
        return py::str(text);
    case SettingKind::Integers:
    case SettingKind::Reals: {
        py::list items;
        std::string::size_type start = 0;
        for (;;) {
            const auto comma = text.find(',', start);
            items.append(number(text.substr(start, comma - start), kind == SettingKind::Integers));
            if (comma == std::string::npos)
                break;
            start = comma + 1;
        }
        return py::tuple(items);
    }
    }
    return py::none();
}

py::dict settingsDict(const TrackingSettings& settings)
{
    py::dict dict;
    for (const SettingName& s : settingNames())
        dict[py::str(snakeCase(s.name))] = settingObject(settingValue(settings, s.name), s.kind);
    return dict;
}

// ---------------------------------------------------------------------------
// Seeds, boxes, frames.

int64_t seedFrom(py::handle seed)
{
    if (seed.is_none())
        return drawSeed();
    if (!isInteger(seed))
        throw py::type_error("seed takes an integer, not " + typeName(seed));
    const auto value = parseInt64(integerText(seed));
    if (!value)
        throw py::value_error("seed=" + std::string(py::repr(seed)) + ": expected a 64-bit integer");
    return *value;
}

std::vector<TargetStart> targetsFrom(py::handle boxes, py::handle ids)
{
    const auto isSequence = [](py::handle v) {
        return !PyUnicode_Check(v.ptr()) && (py::isinstance<py::sequence>(v) || py::isinstance<py::array>(v));
    };
    if (!isSequence(boxes))
        throw py::type_error("boxes takes a sequence of (x, y, w, h), not " + typeName(boxes));
    std::vector<TargetStart> targets;
    for (py::handle b : boxes)
        targets.push_back(TargetStart{tavo_python::boxFrom(b), 0});
    if (ids.is_none())
        return targets;
    if (!isSequence(ids))
        throw py::type_error("ids takes a sequence of integers, not " + typeName(ids));
    if (py::len(ids) != targets.size())
        throw py::value_error(std::to_string(py::len(ids)) + " ids for " + std::to_string(targets.size()) +
                              " boxes: give one id per box");
    size_t i = 0;
    for (py::handle v : ids) {
        if (!isInteger(v))
            throw py::type_error("ids takes integers, not " + typeName(v));
        const auto id = parseInt(integerText(v));
        if (!id)
            throw py::value_error("id " + std::string(py::repr(v)) + " does not fit in 32 bits");
        targets[i++].id = *id;
    }
    return targets;
}

const char* const kFrameForm = "an 8-bit image of three channels (BGR): a numpy array of dtype uint8, height x width x 3";

// The frame copied into a cv::Mat of its own: any strides, views included.
cv::Mat frameFrom(py::handle value)
{
    if (!py::isinstance<py::array>(value))
        throw py::type_error(std::string("the frame is not ") + kFrameForm + ", but a " + typeName(value));
    const auto array = py::reinterpret_borrow<py::array>(value);
    const py::dtype type = array.dtype();
    if (type.kind() != 'u' || type.itemsize() != 1)
        throw py::type_error(std::string("the frame is not ") + kFrameForm + "; its dtype is " +
                             std::string(py::str(type.attr("name"))));
    if (array.ndim() != 3 || array.shape(2) != 3) {
        std::string shape;
        for (py::ssize_t d = 0; d < array.ndim(); ++d)
            shape += (d ? ", " : "") + std::to_string(array.shape(d));
        throw py::value_error(std::string("the frame is not ") + kFrameForm + "; its shape is (" + shape +
                              (array.ndim() == 1 ? ",)" : ")"));
    }
    if (array.shape(0) == 0 || array.shape(1) == 0 || array.shape(0) > INT_MAX || array.shape(1) > INT_MAX / 3)
        throw py::value_error("the frame is empty or too large: " + std::to_string(array.shape(1)) + "x" +
                              std::to_string(array.shape(0)));
    const int rows = static_cast<int>(array.shape(0));
    const int cols = static_cast<int>(array.shape(1));
    const py::ssize_t rowStep = array.strides(0), colStep = array.strides(1), channelStep = array.strides(2);
    const auto* data = static_cast<const uint8_t*>(array.data());
    cv::Mat frame(rows, cols, CV_8UC3);
    for (int r = 0; r < rows; ++r) {
        const uint8_t* from = data + r * rowStep;
        uint8_t* to = frame.ptr<uint8_t>(r);
        if (colStep == 3 && channelStep == 1) {
            std::memcpy(to, from, static_cast<size_t>(cols) * 3);
            continue;
        }
        for (int c = 0; c < cols; ++c)
            for (int k = 0; k < 3; ++k)
                to[3 * c + k] = from[c * colStep + k * channelStep];
    }
    return frame;
}

std::string sizeText(const cv::Size& s) { return std::to_string(s.width) + "x" + std::to_string(s.height); }

// A new numpy array holding the image (8-bit BGR, contiguous).
py::array_t<uint8_t> arrayOf(const cv::Mat& image)
{
    py::array_t<uint8_t> array({image.rows, image.cols, 3});
    for (int r = 0; r < image.rows; ++r)
        std::memcpy(array.mutable_data(r), image.ptr<uint8_t>(r), static_cast<size_t>(image.cols) * 3);
    return array;
}

// ---------------------------------------------------------------------------
// Tracks.

struct Track {
    TrackedTarget target;
};

// The columns of tracks_array(), in the order of Track's attributes.
constexpr const char* kTrackColumns[] = {"id",       "x",        "y",     "w",     "h",       "confidence", "lost",
                                         "centre_x", "centre_y", "vel_x", "vel_y", "scale_x", "scale_y"};
constexpr int kColumnCount = static_cast<int>(std::size(kTrackColumns));

void rowOf(const TrackedTarget& t, double* row)
{
    const double values[kColumnCount] = {static_cast<double>(t.id), t.box.x, t.box.y, t.box.width, t.box.height,
                                         t.confidence, t.lost ? 1.0 : 0.0, t.x, t.y, t.velocityX, t.velocityY,
                                         t.scaleX, t.scaleY};
    std::copy(values, values + kColumnCount, row);
}

py::list trackList(const std::vector<TrackedTarget>& targets)
{
    py::list list;
    for (const TrackedTarget& t : targets)
        list.append(py::cast(Track{t}));
    return list;
}

py::array_t<double> trackArray(const std::vector<TrackedTarget>& targets)
{
    py::array_t<double> array({static_cast<py::ssize_t>(targets.size()), static_cast<py::ssize_t>(kColumnCount)});
    for (size_t i = 0; i < targets.size(); ++i)
        rowOf(targets[i], array.mutable_data(static_cast<py::ssize_t>(i)));
    return array;
}

py::tuple trackState(const Track& track)
{
    const TrackedTarget& t = track.target;
    return py::make_tuple(t.id, t.box.x, t.box.y, t.box.width, t.box.height, t.confidence, t.lost, t.x, t.y,
                          t.velocityX, t.velocityY, t.scaleX, t.scaleY, static_cast<int>(t.state));
}

Track trackFromState(const py::tuple& s)
{
    // Tracks pickled before they had a state were tracked.
    if (s.size() != static_cast<size_t>(kColumnCount) && s.size() != static_cast<size_t>(kColumnCount) + 1)
        throw py::value_error("not the state of a Track");
    Track track;
    TrackedTarget& t = track.target;
    t.id = s[0].cast<int>();
    t.box = RealBox{s[1].cast<double>(), s[2].cast<double>(), s[3].cast<double>(), s[4].cast<double>()};
    t.confidence = s[5].cast<double>();
    t.lost = s[6].cast<bool>();
    t.x = s[7].cast<float>();
    t.y = s[8].cast<float>();
    t.velocityX = s[9].cast<float>();
    t.velocityY = s[10].cast<float>();
    t.scaleX = s[11].cast<float>();
    t.scaleY = s[12].cast<float>();
    if (s.size() > static_cast<size_t>(kColumnCount)) {
        const int state = s[13].cast<int>();
        if (state < static_cast<int>(TargetState::Tracked) || state > static_cast<int>(TargetState::Lost))
            throw py::value_error("not the state of a Track");
        t.state = static_cast<TargetState>(state);
    }
    return track;
}

bool sameTrack(const TrackedTarget& a, const TrackedTarget& b)
{
    return a.id == b.id && a.box.x == b.box.x && a.box.y == b.box.y && a.box.width == b.box.width &&
           a.box.height == b.box.height && a.confidence == b.confidence && a.lost == b.lost && a.x == b.x &&
           a.y == b.y && a.velocityX == b.velocityX && a.velocityY == b.velocityY && a.scaleX == b.scaleX &&
           a.scaleY == b.scaleY && a.state == b.state;
}

std::string trackRepr(const Track& track)
{
    const TrackedTarget& t = track.target;
    char text[240];
    std::snprintf(text, sizeof text,
                  "Track(id=%d, x=%.2f, y=%.2f, w=%.2f, h=%.2f, confidence=%.4f, lost=%s, state='%s')", t.id, t.box.x,
                  t.box.y, t.box.width, t.box.height, t.confidence, t.lost ? "True" : "False", stateName(t.state));
    return text;
}

// ---------------------------------------------------------------------------
// Ctrl-C within a frame.  Python's handler of SIGINT only notes the signal;
// KeyboardInterrupt is raised once the main thread runs Python again, after
// the frame under way.  While the main thread tracks a frame (the
// interpreter lock let go) and SIGINT raises KeyboardInterrupt, a handler
// of the module's takes the place of Python's: it sets the session's stop
// flag, which ends the frame within a fraction of a second, and passes the
// signal on to Python's handler.  A handler of the program's own (which
// may not raise), SIG_IGN and SIG_DFL are left as they are.

std::atomic<bool> interruptNoted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");
struct sigaction pythonsAction {};

extern "C" void noteInterrupt(int signal)
{
    interruptNoted.store(true, std::memory_order_relaxed);
    pythonsAction.sa_handler(signal);
}

// Whether SIGINT raises KeyboardInterrupt in this thread.
bool interruptsRaiseHere()
{
    const py::module_ threading = py::module_::import("threading");
    if (!threading.attr("current_thread")().is(threading.attr("main_thread")()))
        return false;
    const py::module_ signals = py::module_::import("signal");
    return signals.attr("getsignal")(signals.attr("SIGINT")).is(signals.attr("default_int_handler"));
}

// Watches for Ctrl-C while it lives; made and ended with the interpreter
// lock held.
class InterruptWatch {
public:
    InterruptWatch()
    {
        struct sigaction current {};
        if (!interruptsRaiseHere() || sigaction(SIGINT, nullptr, &current) != 0 ||
            (current.sa_flags & SA_SIGINFO) != 0 || current.sa_handler == SIG_DFL || current.sa_handler == SIG_IGN)
            return;
        pythonsAction = current;
        interruptNoted.store(false);
        struct sigaction mine = current;
        mine.sa_handler = noteInterrupt;
        active_ = sigaction(SIGINT, &mine, nullptr) == 0;
        // A Ctrl-C that came just before is raised before the frame begins.
        if (PyErr_CheckSignals() != 0) {
            restore();
            throw py::error_already_set();
        }
    }
    ~InterruptWatch() { restore(); }
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

    // The session's stop flag: null when not watching.
    const std::atomic<bool>* flag() const { return active_ ? &interruptNoted : nullptr; }
    bool interrupted() const { return active_ && interruptNoted.load(); }

private:
    void restore()
    {
        if (active_)
            sigaction(SIGINT, &pythonsAction, nullptr);
        active_ = false;
    }

    bool active_ = false;
};

// Raises the KeyboardInterrupt that ended a frame.
[[noreturn]] void raiseInterrupt()
{
    if (PyErr_CheckSignals() == 0)
        PyErr_SetNone(PyExc_KeyboardInterrupt);
    throw py::error_already_set();
}

// ---------------------------------------------------------------------------
// The tracker.

// Raises the exception that fits a refusal of TrackingSession::start.
[[noreturn]] void refuseStart(const std::string& error)
{
    if (error.rfind("out of memory", 0) == 0) {
        PyErr_SetString(PyExc_MemoryError, error.c_str());
        throw py::error_already_set();
    }
    if (error.rfind("cannot start", 0) == 0)
        throw std::runtime_error(error);
    throw py::value_error(error);
}

// One session and what Python reads of it.  Every use of the session holds
// `mutex`; a thread holding it never waits for the interpreter lock, so a
// thread may take it with the interpreter lock held.
class Tracker {
public:
    Tracker(const cv::Mat& first, const std::vector<TargetStart>& targets, const TrackingSettings& settings,
            int64_t seed)
        : size_(first.size())
    {
        if (const auto refusal = memoryRefusal(static_cast<int64_t>(targets.size()), settings.tracking.samples,
                                               physicalMemory())) {
            PyErr_SetString(PyExc_MemoryError, refusal->c_str());
            throw py::error_already_set();
        }
        std::string error;
        InterruptWatch watch;
        {
            py::gil_scoped_release unlocked;
            session_ = TrackingSession::start(first, targets, settings, seed, error, {}, watch.flag());
        }
        if (!session_ && watch.interrupted())
            raiseInterrupt();
        if (!session_)
            refuseStart(error);
        session_->setStopFlag(nullptr);
        tracks_ = session_->targets();
        boxes_.follow(*session_);
    }

    // Tracks the next frame (called without the interpreter lock), ended
    // early once `stop` is set; the tracks, or an error to raise.
    struct Step {
        StepOutcome outcome = StepOutcome::Tracked;
        std::string error;
        std::vector<TrackedTarget> tracks;
        int frameNumber = 0;  // of the tracks
    };
    Step step(const cv::Mat& frame, const std::atomic<bool>* stop)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        Step s;
        if (!ended_.empty()) {
            s.outcome = StepOutcome::BrokenDown;
            s.error = ended_;
            return s;
        }
        session_->setStopFlag(stop);
        s.outcome = session_->step(frame);
        session_->setStopFlag(nullptr);
        if (s.outcome == StepOutcome::BrokenDown)
            ended_ = session_->error();
        if (s.outcome == StepOutcome::Interrupted)
            interrupted_ = ended_ = "the tracker was interrupted during frame " + std::to_string(tracked_ + 1) +
                     " and cannot go on; its tracks are those of frame " + std::to_string(tracked_);
        if (s.outcome == StepOutcome::Tracked) {
            tracks_ = session_->targets();
            tracked_ = session_->frameNumber();
            boxes_.follow(*session_);
        }
        s.tracks = tracks_;
        s.frameNumber = tracked_;
        return s;
    }

    // Raises the error of a step that was not tracked.
    void raiseFor(const Step& s) const
    {
        if (s.outcome == StepOutcome::Interrupted)
            raiseInterrupt();
        if (s.outcome == StepOutcome::BrokenDown)
            throw std::runtime_error(s.error);
    }

    std::vector<TrackedTarget> update(py::handle value)
    {
        const cv::Mat frame = frameFrom(value);
        if (frame.size() != size_)
            throw py::value_error("the frame is " + sizeText(frame.size()) + ", unlike the first frame (" +
                                  sizeText(size_) + "): not tracked");
        Step s;
        {
            InterruptWatch watch;
            py::gil_scoped_release unlocked;
            s = step(frame, watch.flag());
        }
        raiseFor(s);
        if (s.outcome == StepOutcome::OtherFrameKind)
            throw py::value_error("the frame differs from the first in size or type: not tracked");
        return std::move(s.tracks);
    }

    std::vector<TrackedTarget> tracks()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return tracks_;
    }

    int frameNumber()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return tracked_;
    }

    py::array_t<uint8_t> draw(py::handle value, const std::string& styleName)
    {
        const std::optional<DrawingStyle> style = drawingStyleNamed(styleName);
        if (!style)
            throw py::value_error("style '" + styleName + "': expected boxes, samples or design");
        cv::Mat image;
        const bool lastFrame = value.is_none();
        if (!lastFrame) {
            image = frameFrom(value);
            if (image.size() != size_)
                throw py::value_error("the frame is " + sizeText(image.size()) + ", unlike the tracked frames (" +
                                      sizeText(size_) + ")");
        }
        {
            py::gil_scoped_release unlocked;
            std::lock_guard<std::mutex> lock(mutex_);
            // An interrupted frame's samples are half moved.
            if (!interrupted_.empty())
                throw std::runtime_error(interrupted_);
            if (lastFrame)
                session_->frame().copyTo(image);
            if (*style == DrawingStyle::Design)
                session_->draw(image);
            else
                boxes_.draw(*session_, image, *style == DrawingStyle::Samples);
        }
        return arrayOf(image);
    }

    // Changes the targets between frames (see python/target_binding.h):
    // `change` gets the session; the tracks then are those it reports.
    template <class Change>
    auto edit(Change change)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!ended_.empty())
            throw std::runtime_error(ended_);
        auto result = change(*session_);
        tracks_ = session_->targets();
        return result;
    }

    int64_t seed() const { return session_->seed(); }
    const TrackingSettings& settings() const { return session_->settings(); }
    cv::Size size() const { return size_; }

private:
    std::mutex mutex_;
    std::unique_ptr<TrackingSession> session_;
    cv::Size size_;
    std::vector<TrackedTarget> tracks_;
    BoxDrawing boxes_;  // follows every frame tracked, for its trails
    int tracked_ = 1;     // the frame of tracks_
    std::string ended_;  // why the session cannot go on: broken down or interrupted
    std::string interrupted_;  // ended_ when interrupted
};

std::shared_ptr<Tracker> makeTracker(py::handle frame, py::handle boxes, py::handle ids, py::handle seed,
                                     py::handle robust, const py::kwargs& settings)
{
    const TrackingSettings resolvedSettings = settingsFrom(robust, settings);
    const std::vector<TargetStart> targets = targetsFrom(boxes, ids);
    const int64_t seedValue = seedFrom(seed);
    const cv::Mat first = frameFrom(frame);
    return std::make_shared<Tracker>(first, targets, resolvedSettings, seedValue);
}

// ---------------------------------------------------------------------------
// A video, read and tracked as tavo-track does.

class VideoRun {
public:
    VideoRun(const std::string& path, py::handle boxes, py::handle ids, py::handle seed, py::handle robust,
             py::handle frames, const py::kwargs& given)
    {
        const TrackingSettings settings = settingsFrom(robust, given);
        const std::vector<TargetStart> targets = targetsFrom(boxes, ids);
        const int64_t seedValue = seedFrom(seed);
        if (!frames.is_none()) {
            if (!isInteger(frames))
                throw py::type_error("frames takes an integer, not " + typeName(frames));
            const auto n = parseInt(integerText(frames));
            if (!n || *n <= 0)
                throw py::value_error("frames=" + std::string(py::repr(frames)) + ": expected a positive integer");
            limit_ = *n;
        }

        std::string error;
        VideoFault fault = VideoFault::NotAVideo;
        {
            py::gil_scoped_release unlocked;
            video_ = VideoSource::open(VideoOrigin{path, std::nullopt, 1}, error, fault);
        }
        if (!video_) {
            if (fault == VideoFault::NoSuchFile)
                raise(PyExc_FileNotFoundError, error);
            if (fault == VideoFault::PermissionDenied)
                raise(PyExc_PermissionError, error);
            raise(fault == VideoFault::FirstFrame ? PyExc_ValueError : PyExc_OSError, error);
        }
        const IplImage* first = video_->frame();
        if (const auto problem = frameProblem(settings, first->width, first->height))
            throw py::value_error(snakeCase(problem->setting) + "=" + problem->value + ": " + problem->expected);
        // As tavo-track: the first frame is cloned out of the capture.
        tracker_ = std::make_shared<Tracker>(cv::cvarrToMat(first).clone(), targets, settings, seedValue);
    }

    py::object next()
    {
        if (!started_) {
            started_ = true;
            return py::make_tuple(1, trackList(tracker_->tracks()));
        }
        Frame f;
        {
            InterruptWatch watch;
            py::gil_scoped_release unlocked;
            f = readAndTrack(watch.flag());
        }
        if (!f.read) {
            end();
            endWithoutFrame(f);
        }
        if (f.step.outcome != StepOutcome::Tracked)
            end();
        const Tracker::Step& s = f.step;
        tracker_->raiseFor(s);
        if (s.outcome == StepOutcome::OtherFrameKind)
            raise(PyExc_ValueError, f.otherKind);
        return py::make_tuple(s.frameNumber, trackList(s.tracks));
    }

    std::shared_ptr<Tracker> tracker() const { return tracker_; }

private:
    // The next frame read and tracked, or why none was.
    struct Frame {
        bool read = false;
        Tracker::Step step;
        std::string otherKind;           // the message for a frame of another kind
        VideoSource::EndMessages ended;  // without a frame
    };
    Frame readAndTrack(const std::atomic<bool>* stop)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        Frame f;
        if (!video_ || (limit_ > 0 && tracker_->frameNumber() >= limit_))
            return f;
        if (!video_->next()) {
            f.ended = video_->endMessages(1, tracker_->frameNumber());
            return f;
        }
        f.read = true;
        f.step = tracker_->step(cv::cvarrToMat(video_->frame()), stop);
        if (f.step.outcome == StepOutcome::OtherFrameKind)
            f.otherKind = video_->otherKindMessage(f.step.frameNumber + 1);
        return f;
    }

    // Ends the iteration as tavo-track ends its run: an error for a frame
    // that cannot be used, a warning for a video that ends before the
    // frames it declares.
    [[noreturn]] void endWithoutFrame(const Frame& f)
    {
        if (!f.ended.error.empty())
            raise(PyExc_ValueError, f.ended.error);
        if (!f.ended.warning.empty())
            py::module_::import("warnings").attr("warn")(pythonText(f.ended.warning), py::handle(PyExc_UserWarning), 1);
        throw py::stop_iteration();
    }

    void end()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        video_.reset();
    }

    int limit_ = 0;
    std::mutex mutex_;
    std::unique_ptr<VideoSource> video_;
    std::shared_ptr<Tracker> tracker_;
    bool started_ = false;
};

// ---------------------------------------------------------------------------
// Scoring.

// One frame's boxes by track id.
struct FrameBoxes {
    int frame = 0;
    std::vector<std::pair<int, RealBox>> boxes;
};

FrameBoxes frameBoxes(int frame, py::handle tracks)
{
    FrameBoxes f{frame, {}};
    if (py::isinstance<py::array>(tracks)) {
        const auto rows = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(tracks);
        if (!rows || rows.ndim() != 2 || rows.shape(1) < 5)
            throw py::value_error("frame " + std::to_string(frame) +
                                  ": an array of tracks has rows of id, x, y, w, h, ... (tavo.TRACK_COLUMNS)");
        for (py::ssize_t i = 0; i < rows.shape(0); ++i)
            f.boxes.emplace_back(static_cast<int>(rows.at(i, 0)),
                                 RealBox{rows.at(i, 1), rows.at(i, 2), rows.at(i, 3), rows.at(i, 4)});
        return f;
    }
    for (py::handle t : tracks) {
        if (!py::isinstance<Track>(t))
            throw py::type_error("frame " + std::to_string(frame) + ": expected tavo.Track objects, not " +
                                 typeName(t));
        const TrackedTarget& target = t.cast<const Track&>().target;
        f.boxes.emplace_back(target.id, target.box);
    }
    return f;
}

// A frame number, refused as tavo-track refuses --start's.
int frameNumberFrom(py::handle frame)
{
    if (!isInteger(frame))
        throw py::type_error("frame numbers are integers, not " + typeName(frame));
    const std::string text = integerText(frame);
    const auto n = parseInt(text);
    if (!n && text[0] != '-')
        throw py::value_error("frame " + text + ": at most " + std::to_string(INT32_MAX));
    if (!n || *n <= 0)
        throw py::value_error("frame " + text + ": expected a positive integer");
    return *n;
}

// (frame, tracks) pairs, a dict of them, or a list of every frame's tracks
// from frame 1 on.
std::vector<FrameBoxes> framesFrom(py::handle tracksByFrame)
{
    const auto isPair = [](py::handle item) {
        return py::isinstance<py::tuple>(item) && py::len(item) == 2 && isInteger(item.cast<py::tuple>()[0]);
    };
    std::vector<FrameBoxes> frames;
    if (py::isinstance<py::dict>(tracksByFrame)) {
        for (const auto& [frame, tracks] : tracksByFrame.cast<py::dict>())
            frames.push_back(frameBoxes(frameNumberFrom(frame), tracks));
    } else {
        int index = 0;
        for (py::handle item : tracksByFrame) {
            ++index;
            if (isPair(item)) {
                const auto pair = item.cast<py::tuple>();
                frames.push_back(frameBoxes(frameNumberFrom(pair[0]), pair[1]));
            } else {
                frames.push_back(frameBoxes(index, item));
            }
        }
    }
    std::stable_sort(frames.begin(), frames.end(),
                     [](const FrameBoxes& a, const FrameBoxes& b) { return a.frame < b.frame; });
    for (size_t i = 1; i < frames.size(); ++i)
        if (frames[i].frame == frames[i - 1].frame)
            throw py::value_error("frame " + std::to_string(frames[i].frame) + " is given twice");
    return frames;
}

py::dict scoreDict(const TargetScore& s, bool withId)
{
    py::dict d;
    if (withId)
        d["id"] = s.id;
    d["frames"] = s.frames;
    d["mean_error"] = s.meanError;
    d["max_error"] = s.maxError;
    d["success"] = s.successRate;
    d["confusions"] = s.confusions;
    return d;
}

// tavo-eval's measures under lower-case keys; None each when they could
// not be computed (an id twice on a frame of the ground truth).
void addMeasures(py::dict& d, const std::optional<tavo_eval::SummaryRow>& m)
{
    const auto value = [&](auto field) { return m ? py::cast((*m).*field) : py::none(); };
    using R = tavo_eval::SummaryRow;
    d["hota"] = value(&R::hota);
    d["deta"] = value(&R::detA);
    d["assa"] = value(&R::assA);
    d["loca"] = value(&R::locA);
    d["hota0"] = value(&R::hota0);
    d["idf1"] = value(&R::idf1);
    d["idp"] = value(&R::idp);
    d["idr"] = value(&R::idr);
    d["mt"] = value(&R::mt);
    d["pt"] = value(&R::pt);
    d["ml"] = value(&R::ml);
    d["frag"] = value(&R::frag);
    d["success_auc"] = value(&R::auc);
    d["precision_20"] = value(&R::prec20);
}

py::dict score(py::handle tracksByFrame, py::handle truthPath)
{
    const std::string path = pathFrom(truthPath);
    const std::vector<FrameBoxes> frames = framesFrom(tracksByFrame);

    // Opening a FIFO would wait for a writer: refused as --gt refuses it.
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0 && (S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode)))
        raise(PyExc_ValueError, path + ": " + waitingReason(*specialFileKind(status.st_mode), "ground-truth file"));
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        const int error = errno;
        raise(error == ENOENT ? PyExc_FileNotFoundError : PyExc_OSError,
                     "cannot read the ground-truth file '" + path + "': " + std::strerror(error));
    }
    std::string error;
    const auto records = readMotRecords(in, path, error);
    if (!records)
        raise(PyExc_ValueError, error);

    // Each target is scored against the ground-truth object of its id, in
    // the order of the first frame's tracks.
    std::vector<int> ids;
    if (!frames.empty())
        for (const auto& [id, box] : frames.front().boxes)
            ids.push_back(id);
    Scorer scorer(groupByFrame(*records), ids);
    std::vector<RealBox> boxes;
    for (const FrameBoxes& f : frames) {
        boxes.clear();
        for (const int id : ids) {
            const auto found = std::find_if(f.boxes.begin(), f.boxes.end(),
                                            [id](const std::pair<int, RealBox>& b) { return b.first == id; });
            if (found == f.boxes.end())
                throw py::value_error("frame " + std::to_string(f.frame) + " has no track of id " +
                                      std::to_string(id) + ", which the first frame has");
            boxes.push_back(found->second);
        }
        scorer.addFrame(f.frame, boxes);
    }

    const ScoreReport report = scorer.report();
    py::dict d = scoreDict(report.overall, false);
    d["first_frame"] = report.firstFrame;
    d["last_frame"] = report.lastFrame;
    py::list targets;
    for (const TargetScore& s : report.targets)
        targets.append(scoreDict(s, true));
    d["targets"] = targets;
    const ClearMot& m = report.mot;
    d["mota"] = m.mota;
    d["motp"] = m.motp;
    d["id_switches"] = m.idSwitches;
    d["objects"] = m.objects;
    d["matches"] = m.matches;
    d["misses"] = m.misses;
    d["false_positives"] = m.falsePositives;
    addMeasures(d, report.measures);
    d["text"] = pythonText(formatReport(report, path));
    return d;
}

}  // namespace

// ---------------------------------------------------------------------------

PYBIND11_MODULE(tavo, m)
{
    m.doc() = R"(TAVO, a multi-target visual tracker: particle filters weighted by colour
histograms, with a joint move that keeps close targets apart.

    import cv2, tavo
    video = cv2.VideoCapture("TAVO_DEMO.avi")
    ok, first = video.read()
    tracker = tavo.Tracker(first, [(136, 261, 18, 18), (216, 231, 18, 18)], seed=1)
    results = [tracker.tracks]            # frame 1, tracked by the constructor
    while True:
        ok, frame = video.read()
        if not ok:
            break
        results.append(tracker.update(frame))   # frames 2, 3, ...

With the same seed and settings this gives, bit for bit, what
`tavo-track VIDEO --box ... --seed 1 --mot FILE` writes; track_video reads
the video as tavo-track does and yields (frame_number, tracks).

Settings are tavo-track's options in snake_case, with its defaults, ranges
and messages: samples, noise, iterations, threads, model, hsv_bins,
min_saturation, min_value, normalise_light, kernel, parts, sharpness,
surround, foreground, adapt, spread, spread_when_poor, adaptive_noise,
damping, scale_noise, aspect_noise, scale_range, lost_and_found (see
`tavo-track --help`).  Flags take True or False, pairs and triples a tuple
or the option's text ("10,10,10"); robust=True starts from --robust's
preset, and every setting given overrides it.  A setting left out has its
default; None is refused.

Paths are str, bytes or os.PathLike.  Ctrl-C raises KeyboardInterrupt
within a fraction of a second, even during a long frame: that frame is not
kept and the tracker cannot go on.)";

    m.attr("__version__") = TAVO_VERSION;
    py::tuple columns(kColumnCount);
    for (int i = 0; i < kColumnCount; ++i)
        columns[i] = kTrackColumns[i];
    m.attr("TRACK_COLUMNS") = columns;

    py::class_<Track>(m, "Track", R"(One target's state after a frame.

id; x, y, w, h: the estimate's box (w = base width x scale_x, centred on
the centre; with fit_box widened to the box of the target's colours, the
centre and scale then the widened box's), as tavo-track's MOT file gives
it with two decimals;
confidence: 0 while lost or outside the frame; else, as the confidence
setting says, the weighted mean likelihood of the samples ("likelihood",
the default: 0..1, 1 without lost_and_found and the other robust motion
settings) or a number from 0 to 1 that predicts whether the box is right
("calibrated", set by robust=True: below 0.5 do not trust the box); lost;
state: 'tracked', 'hidden' (believed behind something, the box coasting)
or 'lost' (out of the frame or unseen for long), judged with or without
the robust settings; centre (x, y); velocity (vx, vy) in pixels per frame; scale (sx, sy) of the
first box's size.)")
        .def_property_readonly("id", [](const Track& t) { return t.target.id; })
        .def_property_readonly("x", [](const Track& t) { return t.target.box.x; })
        .def_property_readonly("y", [](const Track& t) { return t.target.box.y; })
        .def_property_readonly("w", [](const Track& t) { return t.target.box.width; })
        .def_property_readonly("h", [](const Track& t) { return t.target.box.height; })
        .def_property_readonly("confidence", [](const Track& t) { return t.target.confidence; })
        .def_property_readonly("lost", [](const Track& t) { return t.target.lost; })
        .def_property_readonly("state", [](const Track& t) { return stateName(t.target.state); })
        .def_property_readonly("centre", [](const Track& t) { return py::make_tuple(t.target.x, t.target.y); })
        .def_property_readonly("velocity",
                               [](const Track& t) { return py::make_tuple(t.target.velocityX, t.target.velocityY); })
        .def_property_readonly("scale",
                               [](const Track& t) { return py::make_tuple(t.target.scaleX, t.target.scaleY); })
        .def("__repr__", &trackRepr)
        .def("__eq__",
             [](const Track& a, py::handle b) {
                 return py::isinstance<Track>(b) && sameTrack(a.target, b.cast<const Track&>().target);
             })
        .def("__hash__", [](const Track& t) { return py::hash(trackState(t)); })
        .def(py::pickle(&trackState, &trackFromState));

    py::class_<Tracker, std::shared_ptr<Tracker>>(m, "Tracker", R"(The targets of one video, followed frame by frame.

Tracker(frame, boxes, *, ids=None, seed=None, robust=False, **settings)

frame: the video's first frame, a numpy uint8 array height x width x 3 in
BGR order (what cv2.VideoCapture.read() gives; views are copied).  boxes:
the targets on it, (x, y, w, h) in pixels.  ids: one per box (0: numbered
after the highest given); by default 1, 2, 3, ...  seed: any 64-bit
integer; None draws one (tracker.seed tells it, so that the run can be
repeated).  robust and settings: as tavo-track's --robust and options.

The constructor tracks the frame it is given: tracker.tracks holds frame
1's tracks, and the first update() receives the video's second frame.)")
        .def(py::init(&makeTracker), py::arg("frame"), py::arg("boxes"), py::kw_only(), py::arg("ids") = py::none(),
             py::arg("seed") = py::none(), py::arg("robust") = false)
        .def(
            "update", [](Tracker& t, py::handle frame) { return trackList(t.update(frame)); }, py::arg("frame"),
            "Tracks the next frame (of the first frame's size) and returns its tracks, a list of Track in the "
            "order of the boxes.")
        .def(
            "update_array", [](Tracker& t, py::handle frame) { return trackArray(t.update(frame)); },
            py::arg("frame"), "update(), the tracks as tracks_array() gives them.")
        .def_property_readonly(
            "tracks", [](Tracker& t) { return trackList(t.tracks()); }, "The tracks of the last frame tracked.")
        .def(
            "tracks_array", [](Tracker& t) { return trackArray(t.tracks()); },
            "The tracks of the last frame as a float64 array, a row per target in the order of the boxes, the "
            "columns of tavo.TRACK_COLUMNS: id, x, y, w, h, confidence, lost (0 or 1), centre_x, centre_y, vel_x, "
            "vel_y, scale_x, scale_y.")
        .def("draw", &Tracker::draw, py::arg("frame") = py::none(), py::arg("style") = "design",
             "A copy of the last frame (or of the frame given, of the same size) with the tracking drawn as "
             "tavo-track's --video draws it with --draw STYLE: 'design' (the samples, estimates, neighbour "
             "links and labels), 'boxes' (each target's box, label and trail in its colour) or 'samples'.")
        .def(
            "add",
            [](Tracker& t, py::handle box, py::handle id) {
                const Box b = tavo_python::boxFrom(box);
                const int given = tavo_python::idFrom(id, true);
                return t.edit([&](TrackingSession& s) { return tavo_python::addTargetTo(s, b, given); });
            },
            py::arg("box"), py::arg("id") = py::none(),
            "Learns a new target at box (x, y, w, h) on the last frame tracked, as if it had been given for that "
            "frame, and returns its id (None: after the highest id this tracker has used; ids belong to one "
            "tracker).  It is among tracks from now on.  ValueError for a box without area or outside the frame, "
            "or an id taken; RuntimeError when the sample store has no room (remove a target first).")
        .def(
            "remove",
            [](Tracker& t, py::handle id) {
                const int given = tavo_python::idFrom(id, false);
                t.edit([&](TrackingSession& s) {
                    tavo_python::removeTargetFrom(s, given);
                    return 0;
                });
            },
            py::arg("id"),
            "Drops target id from the tracker; its samples' room goes to the next target added.  ValueError for "
            "an unknown id.")
        .def(
            "reinit",
            [](Tracker& t, py::handle id, py::handle box) {
                const int given = tavo_python::idFrom(id, false);
                const Box b = tavo_python::boxFrom(box);
                t.edit([&](TrackingSession& s) {
                    tavo_python::reinitTargetOf(s, given, b);
                    return 0;
                });
            },
            py::arg("id"), py::arg("box"),
            "Relearns target id at box on the last frame tracked and starts its search there again, keeping "
            "its id.  ValueError for an unknown id or a box without area or outside the frame.")
        .def_property_readonly("frame_number", &Tracker::frameNumber, "The frames tracked so far: 1 after the "
                                                                      "constructor.")
        .def_property_readonly("seed", &Tracker::seed)
        .def_property_readonly(
            "settings", [](const Tracker& t) { return settingsDict(t.settings()); },
            "Every setting as the tracking uses it, by name (the surround's weight resolved).")
        .def_property_readonly(
            "frame_size", [](const Tracker& t) { return py::make_tuple(t.size().width, t.size().height); },
            "(width, height) of the frames.")
        .def("__repr__", [](Tracker& t) {
            return "<tavo.Tracker of " + std::to_string(t.tracks().size()) + " targets, frame " +
                   std::to_string(t.frameNumber()) + ", seed " + std::to_string(t.seed()) + ">";
        });

    py::class_<VideoRun>(m, "VideoRun", "The frames of a video tracked one by one: yields (frame_number, tracks).")
        .def("__iter__", [](py::object self) { return self; })
        .def("__next__", &VideoRun::next)
        .def_property_readonly("tracker", &VideoRun::tracker, "The Tracker: its seed, settings, draw().")
        .def_property_readonly("seed", [](const VideoRun& r) { return r.tracker()->seed(); });

    m.def(
        "track_video",
        [](py::handle path, py::handle boxes, py::handle ids, py::handle seed, py::handle robust, py::handle frames,
           const py::kwargs& settings) {
            return std::make_unique<VideoRun>(pathFrom(path), boxes, ids, seed, robust, frames, settings);
        },
        py::arg("path"), py::arg("boxes"), py::kw_only(), py::arg("ids") = py::none(), py::arg("seed") = py::none(),
        py::arg("robust") = false, py::arg("frames") = py::none(),
        R"(track_video(path, boxes, *, ids=None, seed=None, robust=False, frames=None, **settings)

Tracks a video file read as tavo-track reads it, yielding (frame_number,
tracks) for every frame from 1 on (frames: stop after that many): the same
numbers as `tavo-track PATH --box ... --seed SEED [options] --mot FILE`.  The
video is opened and its first frame tracked at once, so that errors are
raised here; the result's .seed and .tracker tell the seed and settings.
As tavo-track, a frame that cannot be used raises ValueError after the
frames before, and a video that ends before the frames it declares gives a
UserWarning.)");

    m.def("score", &score, py::arg("tracks_by_frame"), py::arg("ground_truth"),
          R"(Scores tracks against a MOTChallenge ground-truth file as tavo-track --gt does.

tracks_by_frame: what track_video yields ((frame_number, tracks) pairs),
a dict {frame_number: tracks}, or a list of every frame's tracks from frame
1 on; tracks are lists of Track or arrays of tracks_array()'s columns.
Every target is compared with the ground-truth object of its id.

Returns a dict: over all targets frames, mean_error, max_error (centre
errors in pixels), success (share of frames with overlap >= 0.5),
confusions; targets, a list of those per target (with its id); CLEAR-MOT
mota, motp, id_switches, objects, matches, misses, false_positives;
tavo-eval's measures of the same frames hota, deta, assa, loca, hota0,
idf1, idp, idr (fractions), mt, pt, ml, frag (counts), success_auc (area
under the OTB success curve) and precision_20 (share of frames with a
centre error of at most 20 pixels), each None when the ground truth gives
an id twice on a frame; first_frame, last_frame; text, the report as
tavo-track prints it.)");

    m.def(
        "evaluate",
        [](py::handle gtFolder, py::handle trackersFolder, py::handle seqmap) {
            return tavo_python::evaluateFolders(pathFrom(gtFolder), pathFrom(trackersFolder),
                                                seqmap.is_none() ? std::string() : pathFrom(seqmap));
        },
        py::arg("gt_folder"), py::arg("trackers_folder"), py::arg("seqmap") = py::none(),
        R"(Scores trackers' results in the MOTChallenge evaluator's folder layout as
tavo-eval --gt-folder GT_FOLDER --trackers-folder TRACKERS_FOLDER [--seqmap
SEQMAP] does (GT_FOLDER/SEQ/gt/gt.txt with SEQ/seqinfo.ini,
TRACKERS_FOLDER/TRACKER/data/SEQ.txt), but writes nothing.

Returns the rows of its --csv table: a dict per row keyed by the CSV's
column names (tracker, sequence, HOTA, DetA, AssA, LocA, HOTA0, IDF1, IDP,
IDR, MOTA, MOTP, IDSW, MT, PT, ML, Frag, AUC, Prec20, Success50), the
values as the CSV gives them (fractions to six decimals as float, counts
as int); per tracker a row per sequence, then its COMBINED row.  Paths are
str, bytes or os.PathLike.  Warnings are UserWarning; a missing or
malformed input raises ValueError naming the file and the reason.)");

    m.def(
        "default_settings",
        [](bool robust) { return settingsDict(resolved(robust ? robustSettings() : TrackingSettings{})); },
        py::kw_only(), py::arg("robust") = false, "The settings a Tracker starts from, by name, resolved.");
}
