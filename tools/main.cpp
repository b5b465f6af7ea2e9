// lumbrix_inspect: reads a download file back and reports whether it is whole and right.
#include "download_file.h"
#include "hex_writer.h"
#include "report.h"
#include "source_check.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static const char USAGE[] = "usage: lumbrix_inspect [--type 4|6] [--hex OUT.hex]\n"
                            "         [--source FIRMWARE.hex [--part NNNN] [--forced-base] "
                            "[--strict]] FILE.qvr\n";
static const char TYPE_HINT[] = "give --type 4 or --type 6";

constexpr int SOUND = 0;
constexpr int FAULTY = 1;
constexpr int USAGE_ERROR = 2;

using namespace lumbrix;

struct Options {
    const Layout *type = nullptr; // null: detect
    const char *hex_path = nullptr;
    const char *path = nullptr;
    SourceRequest source;
    bool help = false;
};

static int usage_error(const char *message, const char *argument) {
    fprintf(stderr, "lumbrix_inspect: ");
    fprintf(stderr, message, argument);
    fprintf(stderr, "\n%s", USAGE);
    return USAGE_ERROR;
}

static int set_help(Options &options, const char *, const char *) {
    options.help = true;
    return SOUND;
}

static int set_type(Options &options, const char *name, const char *value) {
    if (options.type)
        return usage_error("%s given twice", name);
    for (const Layout *layout : LAYOUTS)
        if (std::to_string(layout->protocol) == value)
            options.type = layout;
    return options.type ? SOUND : usage_error("--type takes 4 or 6, not \"%s\"", value);
}

static int set_hex_path(Options &options, const char *name, const char *value) {
    if (options.hex_path)
        return usage_error("%s given twice", name);
    options.hex_path = value;
    return SOUND;
}

static int set_source_path(Options &options, const char *name, const char *value) {
    if (options.source.path)
        return usage_error("%s given twice", name);
    options.source.path = value;
    return SOUND;
}

static int set_part(Options &options, const char *name, const char *value) {
    if (options.source.part)
        return usage_error("%s given twice", name);
    char *end;
    long number = strtol(value, &end, 10);
    bool fits_int = number == static_cast<int>(number); // so that no number wraps round
    const Part *part = *end != '\0' || !fits_int ? nullptr : part_by_console_number(int(number));
    if (!part)
        return usage_error("--part takes a console number 5510 to 5516, not \"%s\"", value);
    options.source.part = part;
    return SOUND;
}

static int set_once(bool &flag, const char *name) {
    if (flag)
        return usage_error("%s given twice", name);
    flag = true;
    return SOUND;
}

static int set_forced_base(Options &options, const char *name, const char *) {
    return set_once(options.source.forced_base, name);
}

static int set_strict(Options &options, const char *name, const char *) {
    return set_once(options.source.strict, name);
}

struct Option {
    const char *name;
    bool takes_value;
    // SOUND, or USAGE_ERROR once reported; `value` is null for an option that takes none.
    int (*apply)(Options &options, const char *name, const char *value);
};

static const Option OPTIONS[] = {
    {"--help", false, set_help},
    {"-h", false, set_help},
    {"--type", true, set_type},
    {"--hex", true, set_hex_path},
    {"--source", true, set_source_path},
    {"--part", true, set_part},
    {"--forced-base", false, set_forced_base},
    {"--strict", false, set_strict},
};

static const Option *option_named(const char *name) {
    for (const Option &option : OPTIONS)
        if (strcmp(option.name, name) == 0)
            return &option;
    return nullptr;
}

// SOUND when the options are usable, USAGE_ERROR (reported) when not. Help ends the parse.
static int parse_options(int argc, char **argv, Options &options) {
    for (int i = 1; i < argc && !options.help; ++i) {
        const char *arg = argv[i];
        if (const Option *option = option_named(arg)) {
            if (option->takes_value && i + 1 == argc)
                return usage_error("%s needs a value", arg);
            const char *value = option->takes_value ? argv[++i] : nullptr;
            if (option->apply(options, arg, value) != SOUND)
                return USAGE_ERROR;
        } else if (arg[0] == '-' && arg[1] != '\0') {
            return usage_error("unknown option %s", arg);
        } else if (options.path) {
            return usage_error("more than one file: %s", arg);
        } else {
            options.path = arg;
        }
    }
    const SourceRequest &source = options.source;
    if (!options.help && !source.path && (source.part || source.forced_base || source.strict))
        return usage_error("--part, --forced-base and --strict need --source%s", "");
    return options.path || options.help ? SOUND : usage_error("no file to inspect%s", "");
}

static bool read_file(const char *path, std::vector<uint8_t> &bytes) {
    FILE *in = fopen(path, "rb");
    if (!in)
        return false;
    bool read_whole = read_stream(in, bytes);
    fclose(in);
    return read_whole;
}

// The layout to read the file as: the one that fits, else the one asked for, else none.
static const Layout *choose_layout(const char *path, const Layout *fits, const Layout *asked) {
    // "fits Type 6 only", "fits neither layout"
    const char *qualifier = fits ? " only" : " layout";
    if (asked) {
        if (asked != fits)
            fprintf(stderr, "lumbrix_inspect: %s fits %s%s; reading it as %s, as --type asks\n",
                    path, fit_text(fits), qualifier, asked->name);
        return asked;
    }
    if (!fits)
        fprintf(stderr, "lumbrix_inspect: %s fits %s%s; %s to read it\n", path, fit_text(fits),
                qualifier, TYPE_HINT);
    return fits;
}

static bool write_hex(const char *path, const std::vector<Page> &pages) {
    FILE *out = fopen(path, "w");
    if (!out)
        return false;
    bool written = write_pages_as_hex(out, pages) == 0;
    return fclose(out) == 0 && written;
}

int main(int argc, char **argv) {
    Options options;
    if (parse_options(argc, argv, options) != SOUND)
        return USAGE_ERROR;
    if (options.help) {
        fputs(USAGE, stdout);
        return SOUND;
    }

    std::vector<uint8_t> file;
    if (!read_file(options.path, file)) {
        fprintf(stderr, "lumbrix_inspect: cannot read %s: %s\n", options.path, strerror(errno));
        return FAULTY;
    }
    Detection detection{fitting_layout(file), nullptr};
    detection.layout = choose_layout(options.path, detection.fits, options.type);
    Inspection inspection;
    if (!detection.layout)
        inspection.faults.push_back(std::string("layout unknown: ") + TYPE_HINT);
    else
        inspection = inspect_download(file, *detection.layout);
    if (options.source.path && !check_source(options.source, file, detection.layout, inspection))
        return FAULTY;
    print_report(stdout, options.path, file.size(), detection, inspection);

    int status = inspection.faults.empty() ? SOUND : FAULTY;
    if (status == FAULTY)
        fprintf(stderr, "lumbrix_inspect: %s: %zu fault%s\n", options.path,
                inspection.faults.size(), inspection.faults.size() == 1 ? "" : "s");
    if (options.hex_path) {
        if (!detection.layout) {
            fprintf(stderr, "lumbrix_inspect: %s not written: the layout is unknown\n",
                    options.hex_path);
            status = FAULTY;
        } else if (!write_hex(options.hex_path, inspection.pages)) {
            fprintf(stderr, "lumbrix_inspect: cannot write %s: %s\n", options.hex_path,
                    strerror(errno));
            status = FAULTY;
        }
    }
    if (fflush(stdout) != 0)
        status = FAULTY;
    return status;
}
