// Tunewell core: reading a value, a crash-safe edit, and a whole apply (every
// group changed, and nothing changed), the time the window stays insensitive.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "BenchSupport.h"

#include "tunewell/TwConfig.h"
#include "tunewell/TwDialup.h"
#include "tunewell/TwFile.h"
#include "tunewell/TwNetwork.h"

namespace {

using Tree = bench::TempDir;

const char* const kNetworkOpts =
    "DHCP=\"n\"\nDNS_1=\"192.168.1.1\"\nDNS_2=\"8.8.8.8\"\nDNS_3=\"\"\nDOMAIN=\"example.com\"\n"
    "SEARCH=\"example.com\"\nGATEWAY=\"192.168.1.1\"\nBROADCAST=\"192.168.1.255\"\n"
    "NETWORK=\"192.168.1.0\"\nNETMASK=\"255.255.255.0\"\nIPADDR=\"192.168.1.10\"\n";

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

void BM_GetConfiguration(benchmark::State& state) {
    Tree tree("/tmp", "twbench-");
    const std::string file = tree.path() + "/network.opts";
    WriteText(file, kNetworkOpts);
    std::string value;
    for (auto _ : state) {
        benchmark::DoNotOptimize(tw::GetConfiguration(file, "IPADDR", value, 16, false));
    }
}
BENCHMARK(BM_GetConfiguration);

// Arg 0: /tmp (disk-backed here), 1: /dev/shm; the edit syncs its file.
void BM_SetConfiguration(benchmark::State& state) {
    Tree tree(state.range(0) ? "/dev/shm" : "/tmp", "twbench-");
    const std::string file = tree.path() + "/network.opts";
    WriteText(file, kNetworkOpts);
    int i = 0;
    for (auto _ : state) {
        tw::SetConfiguration(file, "IPADDR", (i++ & 1) ? "192.168.1.10" : "192.168.1.11",
                             tw::SEP_EQUAL | tw::SEP_QUOTE, false);
    }
}
BENCHMARK(BM_SetConfiguration)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

tw::NetworkConf MakeNet(const char* ip) {
    return {.AddressMode = 1,
            .HostName = "host",
            .DomainName = "example.com",
            .IpAddress = ip,
            .Netmask = "255.255.255.0",
            .Gateway = "192.168.1.1",
            .NameServer = {"192.168.1.1"},
            .NameServerCount = 1};
}

tw::DialupConf MakeDial(const char* number) {
    return {.PhoneNumber = number,
            .Account = "user",
            .Password = "secret",
            .AuthType = tw::AUTH_CHAP,
            .AtCommand = "ATS7=60 ATX3"};
}

// A configuration directory in a scratch tree.
struct ConfigTree {
    ConfigTree() { tw::SetConfigDir(config, dir.path(), "C"); }
    Tree dir{"/tmp", "twbench-"};
    tw::WYConfig config;
};

// Arg 1: every group changed (LAN, both wireless cards, three devices); arg 0:
// nothing changed (wycfg.dat and the device lines are written all the same).
void BM_ReflectionConfigure(benchmark::State& state) {
    ConfigTree tree;
    tw::WYConfig& config = tree.config;
    tw::TwSetup a, b;
    tw::InitializeWYConfig(config, a);
    tw::InitializeWYConfig(config, b);
    a.Lan = MakeNet("192.168.1.10");
    a.WirelessLan = MakeNet("192.168.2.10");
    a.Modem = MakeDial("0312345678");
    a.Phs = MakeDial("I0312345");
    a.Pdc = MakeDial("0312");
    b.Lan = MakeNet("192.168.1.11");
    b.WirelessLan = MakeNet("192.168.2.11");
    b.Modem = MakeDial("0312345679");
    b.Phs = MakeDial("I0312346");
    b.Pdc = MakeDial("0313");
    tw::TwPaths paths;
    struct NoClock : tw::TwClock {
        time_t now() const override { return 0; }
        int set(time_t) override { return 0; }
    } clock;
    bool flip = false;
    for (auto _ : state) {
        tw::TwSetup& from = flip ? a : b;
        tw::TwSetup& to = state.range(0) ? (flip ? b : a) : from;
        benchmark::DoNotOptimize(tw::ReflectionConfigure(config, from, to, paths, clock));
        flip = !flip;
    }
}
BENCHMARK(BM_ReflectionConfigure)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_InitializeDialupConf(benchmark::State& state) {
    ConfigTree tree;
    tw::WYConfig& config = tree.config;
    tw::TwSetup old, setup;
    setup.Modem = MakeDial("0312345678");
    setup.Phs = MakeDial("I0312345");
    setup.Pdc = MakeDial("0312");
    tw::ReflectionDialupConf(config, old, setup, tw::TwPaths());
    for (auto _ : state) {
        tw::TwSetup back;
        benchmark::DoNotOptimize(tw::InitializeDialupConf(config, back));
    }
}
BENCHMARK(BM_InitializeDialupConf)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
