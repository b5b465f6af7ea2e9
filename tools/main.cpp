// lumbrix_inspect: reads a download file back and reports whether it is whole and right.
#include "inspect.h"

#include "lumbrix/download.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <iterator>
#include <string>
#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

using namespace lumbrix;
namespace fs = std::filesystem;

static const char USAGE[] =
    "usage: lumbrix_inspect [--type 4|6] [--hex OUT.hex|-] [--strict] [--json]\n"
    "         [--source FIRMWARE.hex [--part NNNN] [--forced-base] [--allow-outside]] FILE.qvr\n";

// The name Linux gives the file standard output is open on; elsewhere it names none.
static const char STANDARD_OUTPUT[] = "/dev/stdout";

// Whether the HEX output goes to standard output: asked for as "-", or by a name of the file
// standard output is open on (/dev/stdout, the file it was sent to), which must then be
// written through that one stream, not beside it.
static bool hex_to_standard_output(const char *path) {
    if (strcmp(path, "-") == 0)
        return true;
#ifdef _WIN32
    return false;
#else
    struct stat named, out;
    return stat(path, &named) == 0 && fstat(STDOUT_FILENO, &out) == 0 &&
           named.st_dev == out.st_dev && named.st_ino == out.st_ino;
#endif
}

static bool usage_error(const char *format, ...) {
    va_list arguments;
    va_start(arguments, format);
    fprintf(stderr, "lumbrix_inspect: ");
    vfprintf(stderr, format, arguments);
    fprintf(stderr, "\n%s", USAGE);
    va_end(arguments);
    return false;
}

// The decimal int `value` holds; INT_MIN for anything else, so that no number wraps round.
static int option_number(const char *value) {
    char *end;
    long number = strtol(value, &end, 10);
    return *end != '\0' || number != static_cast<int>(number) ? INT_MIN : int(number);
}

static bool set_type(Options &options, const char *value) {
    options.type = layout_by_protocol(option_number(value));
    return options.type || usage_error("--type takes 4 or 6, not \"%s\"", value);
}

static bool set_part(Options &options, const char *value) {
    auto [lowest, highest] = std::ranges::minmax(PARTS, {}, &Part::console_number);
    options.source.part = part_by_console_number(option_number(value));
    return options.source.part || usage_error("--part takes a console number %d to %d, not \"%s\"",
                                              lowest.console_number, highest.console_number, value);
}

struct Option {
    const char *name;
    bool takes_value;
    // False once the value is said to be wrong; `value` is null for an option that takes none.
    bool (*apply)(Options &options, const char *value);
};

static const Option OPTIONS[] = {
    {"--help", false, [](Options &o, const char *) { return o.help = true; }},
    {"-h", false, [](Options &o, const char *) { return o.help = true; }},
    {"--type", true, set_type},
    {"--hex", true, [](Options &o, const char *v) { return o.hex_path = v, true; }},
    {"--source", true, [](Options &o, const char *v) { return o.source.path = v, true; }},
    {"--part", true, set_part},
    {"--forced-base", false, [](Options &o, const char *) { return o.source.forced_base = true; }},
    {"--allow-outside", false,
     [](Options &o, const char *) { return o.source.allow_outside = true; }},
    {"--strict", false, [](Options &o, const char *) { return o.strict = true; }},
    {"--json", false, [](Options &o, const char *) { return o.json = true; }},
};

// The options that only mean something with another, and what each needs.
static bool check_combinations(const Options &options) {
    const SourceRequest &source = options.source;
    if (!source.path && (source.part || source.forced_base || source.allow_outside))
        return usage_error("--part, --forced-base and --allow-outside need --source");
    if (source.allow_outside && !options.strict)
        return usage_error("--allow-outside needs --strict");
    if (!options.path)
        return usage_error("no file to inspect");
    // The output is refused before anything is opened, however the same file is named.
    const char *output =
        options.hex_path && strcmp(options.hex_path, "-") == 0 ? STANDARD_OUTPUT : options.hex_path;
    for (const char *input : {options.path, source.path})
        if (output && input && paths_name_same_file(output, input))
            return usage_error("--hex %s would overwrite %s", options.hex_path, input);
    return true;
}

// True when the options are usable, false (said) when not. Help ends the parse.
static bool parse_options(int argc, char **argv, Options &options) {
    bool given[std::size(OPTIONS)] = {};
    for (int i = 1; i < argc && !options.help; ++i) {
        const char *arg = argv[i];
        auto option = std::find_if(std::begin(OPTIONS), std::end(OPTIONS),
                                   [arg](const Option &o) { return strcmp(o.name, arg) == 0; });
        if (option != std::end(OPTIONS)) {
            if (given[option - OPTIONS])
                return usage_error("%s given twice", arg);
            given[option - OPTIONS] = true;
            if (option->takes_value && i + 1 == argc)
                return usage_error("%s needs a value", arg);
            const char *value = option->takes_value ? argv[++i] : nullptr;
            if (!option->apply(options, value))
                return false;
        } else if (arg[0] == '-' && arg[1] != '\0') {
            return usage_error("unknown option %s", arg);
        } else if (options.path) {
            return usage_error("more than one file: %s", arg);
        } else {
            options.path = arg;
        }
    }
    return options.help || check_combinations(options);
}

// The HEX output is written beside the file it goes to under a name of its own and renamed
// onto it once whole, so that a run that fails leaves no half-written file where one is
// expected. A link is followed to that file, not replaced. A device, a pipe or standard output
// is written as it is: it cannot be replaced.
struct Output {
    const char *path = nullptr; // as given
    fs::path target;            // the file the path names, its links followed; when replaced
    std::string temporary;      // empty when written in place
    FILE *file = nullptr;
};

// The file `path` names once its links are followed, whether it exists yet or not; `error` is
// set when a link cannot be read or the links go round in a circle.
static fs::path link_target(const char *path, std::error_code &error) {
    fs::path target = path;
    error.clear();
    std::error_code missing; // a file not there yet is no link
    for (int hop = 0; fs::is_symlink(fs::symlink_status(target, missing)); ++hop) {
        fs::path next = fs::read_symlink(target, error);
        if (hop == 40)
            error = std::make_error_code(std::errc::too_many_symbolic_link_levels);
        if (error)
            break;
        target = target.parent_path() / next; // an absolute target replaces the folder
    }
    return target;
}

static FILE *temporary_open(Output &output) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        output.temporary = output.target.string() + ".tmp" + std::to_string(attempt);
        int fd = open(output.temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
        if (fd < 0 && errno == EEXIST)
            continue;
        FILE *file = fd < 0 ? nullptr : fdopen(fd, "w");
        if (fd >= 0 && !file) {
            close(fd);
            remove(output.temporary.c_str());
        }
        return file;
    }
    return nullptr;
}

static bool output_open(Output &output, const char *path, bool to_standard_output) {
    output.path = path;
    std::error_code error;
    fs::file_status status = fs::status(output.path, error);
    if (to_standard_output) {
        output.file = stdout;
    } else if (fs::exists(status) && !fs::is_regular_file(status)) {
        output.file = fopen(output.path, "w");
    } else {
        output.target = link_target(path, error);
        if (error)
            errno = error.value();
        else
            output.file = temporary_open(output);
    }
    if (!output.file) {
        fprintf(stderr, "lumbrix_inspect: cannot write %s: %s\n", output.path, strerror(errno));
        return false;
    }
    setvbuf(output.file, nullptr, _IOFBF, 1 << 16);
    return true;
}

// Close the output and put it in place when `keep`, else remove it; false, once said, when
// it could not be written whole.
static bool output_close(Output &output, bool keep) {
    bool written = fflush(output.file) == 0 && !ferror(output.file);
    if (output.file != stdout) // closed at the end, as the report is when it goes there
        written = fclose(output.file) == 0 && written;
    int why = errno;
    std::error_code error;
    if (!output.temporary.empty() && keep && written)
        fs::rename(output.temporary, output.target, error);
    if (!output.temporary.empty() && (!keep || !written || error))
        remove(output.temporary.c_str());
    if (keep && (!written || error)) {
        fprintf(stderr, "lumbrix_inspect: cannot write %s: %s\n", output.path,
                error ? error.message().c_str() : strerror(why));
        return false;
    }
    return true;
}

static FILE *input_open(const char *path, const char *mode) {
    FILE *file = fopen(path, mode);
    if (!file)
        fprintf(stderr, "lumbrix_inspect: cannot read %s: %s\n", path, strerror(errno));
    return file;
}

static int inspect_files(const Options &options, FILE *report) {
    FILE *download = input_open(options.path, "rb"), *source = nullptr;
    Output output;
    bool opened = download &&
                  (!options.source.path || (source = input_open(options.source.path, "r"))) &&
                  (!options.hex_path || output_open(output, options.hex_path, report != stdout));
    Verdict verdict = {TROUBLE, false};
    if (opened)
        verdict = inspect(options, {download, source, output.file}, report);
    for (FILE *input : {download, source})
        if (input)
            fclose(input);
    if (output.file && !output_close(output, verdict.hex_written))
        verdict.status = TROUBLE;
    return verdict.status;
}

int main(int argc, char **argv) {
    Options options;
    if (!parse_options(argc, argv, options))
        return TROUBLE;
    if (options.help) {
        fputs(USAGE, stdout);
        return SOUND;
    }
    // Standard output carries one of the two: the HEX output when asked for, else the report.
    FILE *report = options.hex_path && hex_to_standard_output(options.hex_path) ? stderr : stdout;
    int status = inspect_files(options, report);
    if (fflush(report) != 0) {
        fprintf(stderr, "lumbrix_inspect: cannot write the report: %s\n", strerror(errno));
        status = TROUBLE;
    }
    return status;
}
