// dxctl: the console's camera jobs from the command line.
#include <CLI/CLI.hpp>
#include <cstdio>

#include "Ctl.h"

int main(int argc, char** argv) {
    dxctl::Options o;
    CLI::App app{"Camera jobs of the DX410 console from the command line", "dxctl"};
    app.require_subcommand(1, 1);
    app.set_version_flag("--version", "dxctl " DX410_VERSION);
    auto* port = app.add_option("--port", o.port, "COM number 1-4 (DX410_COMn names its device)")
                     ->check(CLI::Range(1, 4));
    app.add_option("--device", o.device, "serial device path instead of --port")->excludes(port);
    app.add_option("--interface", o.interface, "rs232c, rs422a (default) or rs485")
        ->check(CLI::IsMember({"rs232c", "rs422a", "rs485"}));
    app.add_option("--camera", o.camera, "Multi Drop machine IDs: ID, LIST like 1,3,7-9, or all; none: P to P");
    app.add_flag("--json", o.json, "results as JSON on stdout");
    app.add_flag("-q,--quiet", o.quiet, "no progress bar, no information lines");
    app.add_option("--record", o.record, "record acknowledged settings into this current-settings file");

    auto* scan = app.add_subcommand("scan", "list the cameras that answer, with their titles");
    scan->add_option("--window", o.windowMs, "answer window per ID in ms (default 50)")->check(CLI::Range(1, 5000));
    scan->add_flag("--p2p", o.p2p, "ask once in P to P form");
    auto* read = app.add_subcommand("read", "the camera data load: every value, or a setting file");
    read->add_option("--out", o.out, "write a setting file (.dat)");
    auto* diff = app.add_subcommand("diff", "the camera against a setting file; exit 1 when they differ");
    diff->add_option("FILE", o.file, "setting file (.dat)")->required();
    auto* write = app.add_subcommand("write", "what Save Changes sends, from a setting file");
    write->add_option("FILE", o.file, "setting file (.dat)")->required();
    write->add_flag("--only-changed", o.onlyChanged, "read first, send only the values that differ");
    write->add_flag("--verify", o.verify, "read back afterwards and report what differs");
    auto* backup = app.add_subcommand("backup", "dump download into DIR/<ID>.dmp (P to P: DIR/camera.dmp)");
    backup->add_option("DIR", o.file, "folder")->required();
    auto* restore = app.add_subcommand("restore", "dump upload of FILE.dmp");
    restore->add_option("FILE", o.file, "dump file (.dmp)")->required();
    auto* titles = app.add_subcommand("titles", "the 100 preset titles as CSV");
    titles->require_subcommand(1, 1);
    titles->add_subcommand("export", "camera titles into FILE.csv")->add_option("FILE", o.file)->required();
    titles->add_subcommand("import", "FILE.csv into the camera")->add_option("FILE", o.file)->required();
    auto* preset = app.add_subcommand("preset", "call, save or clear a preset position");
    preset->require_subcommand(1, 1);
    preset->add_subcommand("call", "go to preset N")->add_option("N", o.preset)->required();
    auto* save = preset->add_subcommand("save", "store the current position as preset N");
    save->add_option("N", o.preset)->required();
    save->add_option("--title", o.title, "its title")->each([&](const std::string&) { o.hasTitle = true; });
    preset->add_subcommand("clear", "reset preset N to factory data")->add_option("N", o.preset)->required();
    auto* send = app.add_subcommand("send", "one raw command text, the reply printed");
    send->add_option("COMMAND", o.command, "for example 82:02:04")->required();

    // the common options may follow the subcommand too
    for (CLI::App* s : {scan, read, diff, write, backup, restore, titles, preset, send}) {
        s->fallthrough();
        for (CLI::App* t : s->get_subcommands({})) t->fallthrough();
    }

    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) {  // --help, --version
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        const auto left = app.remaining();
        if (app.get_subcommands().empty() && !left.empty())
            std::fprintf(stderr, "dxctl: unknown %s '%s'\n", left.front().starts_with('-') ? "option" : "subcommand",
                         left.front().c_str());
        else
            std::fprintf(stderr, "dxctl: %s\n", e.what());
        return dxctl::kExitUsage;
    }

    o.cameraGiven = app.count("--camera") > 0;
    std::string sub = app.get_subcommands().front()->get_name();
    if (sub == "titles" || sub == "preset") sub = app.get_subcommands().front()->get_subcommands().front()->get_name();
    dxctl::Ctl ctl(o);
    if (const std::string error = ctl.prepare(sub); !error.empty()) {
        std::fprintf(stderr, "dxctl: %s\n", error.c_str());
        return dxctl::kExitUsage;
    }
    return ctl.run(sub);
}
