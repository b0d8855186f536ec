#include "tools/crank_options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace {

// One numeric option: where it goes and the values it may take.
struct NumberOption {
    const char* name;
    double* real;
    int* whole;
    double lowest;
    double highest;
};

bool ParseNumber(const char* text, double& value) {
    if (text == nullptr || *text == '\0') return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text, &end);
    return errno == 0 && *end == '\0' && !std::isnan(value);
}

bool ParseSeed(const char* text, unsigned long long& seed) {
    if (text == nullptr || *text < '0' || *text > '9') return false;
    char* end = nullptr;
    errno = 0;
    seed = std::strtoull(text, &end, 10);
    return errno == 0 && *end == '\0';
}

} // namespace

bool ParseCrankOptions(int argc, char** argv, CrankOptions& options, std::string& error) {
    const NumberOption numbers[] = {
        {"--port", nullptr, &options.port, 1, 255},
        {"--rate", &options.rate, nullptr, 0.1, 1000},
        {"--cadence", &options.cadence, nullptr, 0, 250},
        {"--right-force", &options.rightForce, nullptr, -2000, 5000},
        {"--left-force", &options.leftForce, nullptr, -2000, 5000},
        {"--peakedness", &options.peakedness, nullptr, 1, 16},
        {"--offset", &options.offset, nullptr, 0, 65000},
        {"--gain", &options.gain, nullptr, 0.001, 1000},
        {"--aux-ratio", &options.auxRatio, nullptr, 0, 100},
        {"--speed", &options.speed, nullptr, 0, 200},
        {"--wheel-mm", &options.wheelMm, nullptr, 100, 5000},
        {"--hr", &options.heartRate, nullptr, 0, 255},
        {"--battery", &options.battery, nullptr, 0, 100},
        {"--serial", nullptr, &options.serial, 0, 999},
        {"--version", nullptr, &options.version, 0, 9},
        {"--drop", &options.drop, nullptr, 0, 1},
        {"--corrupt", &options.corrupt, nullptr, 0, 1},
        {"--answer-delay", &options.answerDelay, nullptr, 0, 3600},
        {"--silent-after", &options.silentAfter, nullptr, 0, 1e9},
        {"--silent-for", &options.silentFor, nullptr, 0, 1e9},
        {"--drop-link-after", &options.dropLinkAfter, nullptr, 0, 1e9},
        {"--disconnect-after", &options.disconnectAfter, nullptr, 0, 1e9},
        {"--load-phase", &options.staticLoads.phaseSeconds, nullptr, 0, 3600},
    };
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            options.help = true;
            continue;
        }
        if (argument == "--quiet" || argument == "-q") {
            options.quiet = true;
            continue;
        }
        std::string name = argument;
        const char* value = nullptr;
        std::string::size_type equals = argument.find('=');
        if (equals != std::string::npos) {
            name = argument.substr(0, equals);
            value = argv[i] + equals + 1;
        } else if (i + 1 < argc) {
            value = argv[++i];
        }
        if (name == "--totals") {
            if (value == nullptr || *value == '\0') {
                error = "--totals needs a file name";
                return false;
            }
            options.totalsPath = value;
            continue;
        }
        if (name == "--static-load") {
            if (!AddStaticLoad(options.staticLoads, value)) {
                error =
                    "--static-load needs KG from 0 to 500, KG:right or KG:left, at most 4 times";
                return false;
            }
            continue;
        }
        if (name == "--seed") {
            if (!ParseSeed(value, options.seed)) {
                error = "--seed needs a whole number of 0 or more";
                return false;
            }
            continue;
        }
        const NumberOption* option = nullptr;
        for (const NumberOption& candidate : numbers)
            if (name == candidate.name) option = &candidate;
        if (option == nullptr) {
            error = "unknown option " + name;
            return false;
        }
        double number = 0.0;
        if (!ParseNumber(value, number) || number < option->lowest || number > option->highest ||
            (option->whole != nullptr && number != static_cast<double>(static_cast<int>(number)))) {
            char range[128];
            std::snprintf(range, sizeof range, " needs %s from %g to %g",
                          option->whole != nullptr ? "a whole number" : "a number", option->lowest,
                          option->highest);
            error = name + range;
            return false;
        }
        if (option->whole != nullptr) *option->whole = static_cast<int>(number);
        if (option->real != nullptr) *option->real = number;
    }
    return true;
}

void PrintCrankHelp(std::FILE* out) {
    std::fputs(
        "zan_crank: plays a ZAN crank on a pseudo-terminal linked as ports/COMk in the working\n"
        "folder, so the station reaches it as port COMk.\n"
        "\n"
        "Usage: zan_crank [options]      (--name value or --name=value)\n"
        "\n"
        "Link\n"
        "  --port K              link the terminal as ports/COMK, 1..255 (default 5); the link\n"
        "                        is removed at exit\n"
        "  --rate F              frames per second (default 50; 213 is the full rate of a\n"
        "                        38400 baud link)\n"
        "\n"
        "Pedalling\n"
        "  --cadence RPM         crank revolutions per minute, 0 stands still (default 90)\n"
        "  --right-force N       peak force of the right pedal in newtons (default 300)\n"
        "  --left-force N        peak force of the left pedal in newtons (default 300)\n"
        "                        Each pedal pushes peak * sin(angle) on its downstroke, highest\n"
        "                        90 degrees after the top, and pulls back up to a tenth of its\n"
        "                        peak on the upstroke; the left pedal is half a turn behind.\n"
        "  --peakedness K        the downstroke pushes peak * sin(angle)^K, 1..16 (default 1):\n"
        "                        4 to 8 give a rider's short high peak\n"
        "  --static-load KG[:right|left]\n"
        "                        the crank stands horizontal, that pedal (right unless told)\n"
        "                        forward with KG kilograms hung on it; up to 4 times\n"
        "  --load-phase S        each mass hangs for S seconds after S seconds with nothing\n"
        "                        on, the masses in turn (default 0: the first, for good)\n"
        "  --offset COUNTS       raw counts at zero force, all four channels (default 1000)\n"
        "  --gain N_PER_COUNT    newtons per count of the force channels (default 0.5):\n"
        "                        force counts = offset + force / gain\n"
        "  --aux-ratio R         auxiliary counts per newton (default 0.4):\n"
        "                        auxiliary counts = offset + force * R\n"
        "  --speed KMH           road speed (default 30)\n"
        "  --wheel-mm MM         wheel circumference for the wheel period (default 2096)\n"
        "  --hr BPM              heart rate (default 120)\n"
        "  --battery PERCENT     battery charge, sent as 138 + percent / 5 (default 80)\n"
        "\n"
        "Identity\n"
        "  --serial N            serial number 0..999 (default 123); one the setup file does\n"
        "                        not carry raises the station's serial-number warning\n"
        "  --version D           software version digit 0..9 (default 4)\n"
        "  --answer-delay S      wait S seconds before answering: after the start, after each\n"
        "                        open of the port by the station and after a ':' that starts\n"
        "                        identity frames (default 0)\n"
        "\n"
        "Faults\n"
        "  --drop RATE           share of bytes dropped, 0..1 (default 0)\n"
        "  --corrupt RATE        share of bytes replaced by a random byte, 0xFF included\n"
        "                        (default 0)\n"
        "  --silent-after S      stop sending frames after S seconds (still listens)\n"
        "  --silent-for S        ... and start again S seconds later (default: never)\n"
        "  --drop-link-after S   after S seconds the link drops, as a Bluetooth link does:\n"
        "                        no frames until the station opens the port again (its\n"
        "                        Reconnect), then frames after the answer delay\n"
        "  --disconnect-after S  after S seconds close the terminal, remove the link and end\n"
        "  --seed N              seed of the fault generator (default 1, so runs repeat)\n"
        "\n"
        "  --totals FILE         at exit, write the totals to FILE: frames sent, frames lost\n"
        "                        while nobody read, bytes dropped and corrupted, one a line\n"
        "  --quiet               log nothing but errors\n"
        "  --help                this text\n"
        "\n"
        "The crank streams 18-byte frames: 0xFF, then words low byte first: right force, right\n"
        "auxiliary, left force, left auxiliary, a spare word (always 0), the crank word (period\n"
        "in 0.5 ms units, bit 13 set on the frame where a revolution starts), the wheel period\n"
        "in 0.5 ms units, heart rate x 2, and the battery byte. No data byte is ever 0xFF: words\n"
        "are kept at or below 0xFEFE and a 0xFF low byte is sent as 0xFE (one count less).\n"
        "\n"
        "It answers the station: ':' starts identity frames (channel words 2 x the ASCII codes of\n"
        "the serial's hundreds, tens and units digits and of the version digit) until ';';\n"
        "'3' is the keep-alive; '4' is the quit byte, and after three of them the crank goes\n"
        "silent until the next ':' or '3'; '7' (marker-only mode) and '8' (debug) are logged;\n"
        "0x50+hundreds, 0x60+tens, 0x70+units, 0x81, '9' programs a new serial number.\n"
        "Events are logged on standard error. SIGINT or SIGTERM ends it and removes the link.\n"
        "\n"
        "Link supervision by hand: --silent-after 10 puts the station's link lamp out and\n"
        "brings its not-connected dialog about 2 s later; --silent-for 20 lights it again\n"
        "after Skip; --drop-link-after 10 needs the dialog's Reconnect. Two emulators with\n"
        "different --port and --serial give the device search two cranks to tell apart.\n",
        out);
}
