// lumbrix_inspect: reads a download file back and reports whether it is whole and right.
#include "download_file.h"
#include "hex_writer.h"
#include "report.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

static const char USAGE[] = "usage: lumbrix_inspect [--type 4|6] [--hex OUT.hex] FILE.qvr\n";

constexpr int SOUND = 0;
constexpr int FAULTY = 1;
constexpr int USAGE_ERROR = 2;

struct Options {
    Layout type = Layout::NONE; // NONE: detect
    const char *hex_path = nullptr;
    const char *path = nullptr;
    bool help = false;
};

static int usage_error(const char *message, const char *argument) {
    fprintf(stderr, "lumbrix_inspect: ");
    fprintf(stderr, message, argument);
    fprintf(stderr, "\n%s", USAGE);
    return USAGE_ERROR;
}

// SOUND when the options are usable, USAGE_ERROR (reported) when not.
static int parse_options(int argc, char **argv, Options &options) {
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        if (strcmp(arg, "--help") == 0 || strcmp(arg, "-h") == 0) {
            options.help = true;
            return SOUND;
        }
        if (strcmp(arg, "--type") == 0 || strcmp(arg, "--hex") == 0) {
            if (i + 1 == argc)
                return usage_error("%s needs a value", arg);
            const char *value = argv[++i];
            if (arg[2] == 'h') {
                if (options.hex_path)
                    return usage_error("%s given twice", arg);
                options.hex_path = value;
                continue;
            }
            if (options.type != Layout::NONE)
                return usage_error("%s given twice", arg);
            if (strcmp(value, "4") == 0)
                options.type = Layout::TYPE4;
            else if (strcmp(value, "6") == 0)
                options.type = Layout::TYPE6;
            else
                return usage_error("--type takes 4 or 6, not \"%s\"", value);
        } else if (arg[0] == '-' && arg[1] != '\0') {
            return usage_error("unknown option %s", arg);
        } else if (options.path) {
            return usage_error("more than one file: %s", arg);
        } else {
            options.path = arg;
        }
    }
    return options.path ? SOUND : usage_error("no file to inspect%s", "");
}

static bool read_file(const char *path, std::vector<uint8_t> &bytes) {
    FILE *in = fopen(path, "rb");
    if (!in)
        return false;
    uint8_t buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, in)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + got);
    bool read_whole = !ferror(in);
    fclose(in);
    return read_whole;
}

static const char *layout_name(Layout layout) {
    return layout == Layout::TYPE4 ? "Type 4" : "Type 6";
}

// The layout to read the file as: the one that fits, else the one asked for, else none.
static Layout choose_layout(const char *path, const Detection &d, Layout asked) {
    Layout fitting = Layout::NONE;
    if (d.fits_type4 != d.fits_type6)
        fitting = d.fits_type4 ? Layout::TYPE4 : Layout::TYPE6;
    const char *fits = d.fits_type4 ? (d.fits_type6 ? "both layouts" : "Type 4 only")
                                    : (d.fits_type6 ? "Type 6 only" : "neither layout");
    if (asked != Layout::NONE) {
        if (asked != fitting)
            fprintf(stderr, "lumbrix_inspect: %s fits %s; reading it as %s, as --type asks\n", path,
                    fits, layout_name(asked));
        return asked;
    }
    if (fitting == Layout::NONE)
        fprintf(stderr, "lumbrix_inspect: %s fits %s; give --type 4 or --type 6 to read it\n", path,
                fits);
    return fitting;
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
    Detection detection{fits_type4(file), fits_type6(file), Layout::NONE};
    detection.layout = choose_layout(options.path, detection, options.type);
    Inspection inspection;
    if (detection.layout == Layout::NONE)
        inspection.faults.push_back("layout unknown: give --type 4 or --type 6");
    else
        inspection = inspect_download(file, detection.layout);
    print_report(stdout, options.path, file.size(), detection, inspection);

    int status = inspection.faults.empty() ? SOUND : FAULTY;
    if (status == FAULTY)
        fprintf(stderr, "lumbrix_inspect: %s: %zu fault%s\n", options.path,
                inspection.faults.size(), inspection.faults.size() == 1 ? "" : "s");
    if (options.hex_path) {
        if (detection.layout == Layout::NONE) {
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
