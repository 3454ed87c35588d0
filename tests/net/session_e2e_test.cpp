// Two and three engines on this machine in one session over 127.0.0.1,
// each in an installation of its own, run headless side by side. No packet
// leaves the loopback range: every address in these tests is 127.0.0.1.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <stdio.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "core/files.h"
#include "core/state.h"
#include "net/session.h"
#include "net/state.h"
#include "platform/net.h"
#include "support/project_builder.h"
#include "support/run_output.h"
#include "support/temp_folder.h"

#ifndef QUILL_BINARY
#define QUILL_BINARY "quill"
#endif

namespace {

using testing_support::Dump;
using testing_support::Message;

// A UDP port of 127.0.0.1 that nothing is bound to just now.
uint16_t free_port() {
  const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  uint16_t port = 0;
  if (s >= 0 && ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
      ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0)
    port = ntohs(a.sin_port);
  if (s >= 0) ::close(s);
  return port;
}

std::string network_ini(int mode, uint16_t port, const std::string& session, const std::string& player,
                        int timeout = 10) {
  return "[Settings]\r\nConnection=1\r\nMode=" + std::to_string(mode) + "\r\nTimeout=" + std::to_string(timeout) +
         "\r\nIPAddress=127.0.0.1\r\nPortNumber=" + std::to_string(port) + "\r\nSessionName=" + session +
         "\r\nPlayerName=" + player + "\r\n";
}

std::string example_project() {
  std::string text;
  EXPECT_TRUE(core::read_file(QUILL_SOURCE_DIR "/examples/network/network.prj", text));
  return text;
}

// One machine: an installation with the project, netmode.ini and
// network.ini, run by the binary under a timeout.
class Machine {
 public:
  Machine() : folder_("quill-net"), dir(folder_.path()) {
    status = system(("exec " + std::string(QUILL_BINARY) + " --init-install '" + dir + "' >/dev/null 2>&1").c_str());
    EXPECT_EQ(status, 0);
  }
  void setup(const std::string& project, const std::string& ini) {
    write("projects/n/n.prj", project);
    write("runmode.ini", "projects/n/n.prj\r\n1\r\n0\r\n0\r\n0\r\n");
    write("netmode.ini", "\r\n");
    write("network.ini", ini);
  }
  void write(const std::string& name, const std::string& text) {
    core::make_folders(core::folder_of(dir + name));
    EXPECT_TRUE(core::write_file_atomic(dir + name, text));
  }
  // Starts the run in the background: `ticks` ticks as machine `number`.
  void start(int ticks, int number, const std::string& extra = "") {
    runner_ = std::thread([this, ticks, number, extra] {
      const std::string cmd = "cd '" + dir + "' && exec timeout -k 5 120 " + QUILL_BINARY +
                              " --headless --dump d.json --messages m.jsonl --ticks " + std::to_string(ticks) + " " +
                              extra + " /" + std::to_string(number) + " 2>&1 </dev/null";
      FILE* out = popen(cmd.c_str(), "r");
      if (!out) return;
      char buf[4096];
      for (size_t n; (n = fread(buf, 1, sizeof buf, out)) > 0;) output.append(buf, n);
      const int rc = pclose(out);
      status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    });
  }
  // Waits (up to 60 s) until the running machine has logged `text`.
  bool wait_for(const std::string& text) const {
    for (int i = 0; i < 600; ++i) {
      std::string log;
      core::read_file(dir + "m.jsonl", log);
      if (log.find(text) != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  }
  void finish() {
    if (runner_.joinable()) runner_.join();
    EXPECT_EQ(status, 0) << dir << "\n" << output;
    dump = Dump::read(dir + "d.json");
    testing_support::read_messages(dir + "m.jsonl", messages);
  }
  bool said(const std::string& text) const {
    for (const Message& m : messages)
      if (m.text == text) return true;
    return false;
  }
  int64_t global(int i) const { return dump.global(i).value_or(-999999); }
  int64_t word(const char* element, int w) const {
    const auto e = dump.element_named(element);
    return e ? dump.word(*e, w).value_or(-999999) : -999999;
  }

 private:
  testing_support::TempFolder folder_;
  std::thread runner_;

 public:
  const std::string dir;
  int status = -1;
  std::string output;
  Dump dump;
  std::vector<Message> messages;
};

constexpr int kPosX = 3, kPosY = 4, kPosZ = 5;

// The example project on two machines: each sees the cube the other
// drives, the globals the other owns and the text the first one sends.
TEST(Session, TwoEnginesPlayTheExampleTogether) {
  const uint16_t port = free_port();
  ASSERT_NE(port, 0);
  Machine one, two;
  one.setup(example_project(), network_ini(0, port, "example", "one"));
  two.setup(example_project(), network_ini(1, port, "example", "two"));
  // The host is up before the joiner starts, and plays on after it leaves.
  one.start(300, 1);
  ASSERT_TRUE(one.wait_for("Compiling brains"));
  two.start(150, 2);
  one.finish();
  two.finish();
  ASSERT_TRUE(one.dump.ok() && two.dump.ok());

  EXPECT_TRUE(one.said("\"two\" has joined"));
  EXPECT_TRUE(one.said("\"two\" has left"));
  EXPECT_FALSE(two.said("\"one\" has left"));
  EXPECT_EQ(one.global(10), -1);  // the host
  EXPECT_EQ(two.global(10), 0);
  // Cube One (machine 1's) moves on machine 2 soon after it starts; its
  // brain there cannot move it.
  EXPECT_GT(two.global(11), 0);
  EXPECT_LT(two.global(11), 40);
  EXPECT_GT(two.word("One", kPosX), 100 * 2000);
  // Cube Two (machine 2's) moves on machine 1.
  EXPECT_LT(one.word("Two", kPosZ), -60 * 1500);
  // Global 5 belongs to machine 2 (twice its timer) and reaches machine 1.
  EXPECT_GT(one.global(5), 100);
  EXPECT_EQ(one.global(5) % 2, 0);
  // The text of machine 1, "hello from one".
  EXPECT_EQ(two.global(8), 14);
  EXPECT_EQ(one.global(12), 0);
  EXPECT_EQ(two.global(12), 0);
}

// A machine with another project (one element's smoothing shift differs)
// sees network_mismatch and takes nothing from the other.
TEST(Session, DifferentProjectsSeeMismatch) {
  const uint16_t port = free_port();
  Machine one, two;
  std::string other = example_project();
  const size_t at = other.find("|3|1\r\n");  // cube One's sync flags and owner
  ASSERT_NE(at, std::string::npos);
  other.replace(at, 6, "|7|1\r\n");
  one.setup(example_project(), network_ini(0, port, "example", "one"));
  two.setup(other, network_ini(1, port, "example", "two"));
  one.start(240, 1);
  ASSERT_TRUE(one.wait_for("Compiling brains"));
  two.start(150, 2);
  one.finish();
  two.finish();
  EXPECT_TRUE(one.said("\"two\" has joined"));
  EXPECT_GT(one.global(12), 0);
  EXPECT_GT(two.global(12), 0);
  EXPECT_EQ(one.global(5), 0);  // machine 2's global never arrives
}

// Three machines; the host ends first and says so. The earliest joiner
// becomes the host and goes on sending the host's cube to the third. One
// round of it: what went wrong, or nothing.
std::string migration_round() {
  const uint16_t port = free_port();
  Machine one, two, three;
  one.setup(example_project(), network_ini(0, port, "example", "one"));
  two.setup(example_project(), network_ini(1, port, "example", "two"));
  three.setup(example_project(), network_ini(1, port, "example", "three"));
  one.start(150, 1);
  if (!one.wait_for("Compiling brains")) return "the host never compiled";
  two.start(330, 2);
  const bool joined = one.wait_for("has joined");
  three.start(240, 3);
  one.finish();
  two.finish();
  three.finish();
  if (!joined) return "machine 2 never joined";
  if (!(one.dump.ok() && two.dump.ok() && three.dump.ok())) return "a dump is missing";
  if (!two.said("\"one\" has left") || !three.said("\"one\" has left")) return "the host's leaving was not heard";
  if (!two.said("You have become the host")) return "machine 2 did not become the host";
  if (three.said("You have become the host")) return "machine 3 became a host too";
  const Machine& host = two;
  const Machine& other = three;
  if (host.global(10) != -1 || other.global(10) != 0) return "global 10 (host) is wrong";
  // Cube Three belongs to the host: it went on moving on the other machine
  // well beyond where the first host left it.
  if (other.word("Three", kPosY) <= one.word("Three", kPosY) + 60 * 1000)
    return "cube Three stopped at " + std::to_string(other.word("Three", kPosY)) + ", the first host left it at " +
           std::to_string(one.word("Three", kPosY));
  // Machine 3's global 6 reaches machine 2 and the reverse.
  if (two.global(6) <= 0 || three.global(5) <= 0) return "a shared global did not travel";
  return "";
}

// The machines run in real time, so on a heavily loaded computer a round can
// miss its timing: up to three rounds are played, and one must come out whole.
TEST(Session, HostLeavesAndTheSessionMigrates) {
  std::string why;
  for (int round = 0; round < 3; ++round) {
    why = migration_round();
    if (why.empty()) break;
  }
  EXPECT_EQ(why, "");
}

// Texts go to every other machine; str_poll takes the oldest whose value
// shares a bit with the mask and leaves the others waiting; an empty text
// is not sent.
TEST(Session, TextsAreTakenByMask) {
  const std::string brain =
      "var started\nvar s\nif started = 0\n  started = 1\n  machine_number_set(par_get(0))\n"
      "  s = str_create(64)\nendif\n"
      "if machine_number() = 1\n  if started = 1\n    if machine_status(2) > 0\n      started = 2\n"
      "      str_send(\"aa\", 1)\n      str_send(\"\", 2)\n      str_send(\"bbbb\", 2)\n"
      "      str_send(\"cccccc\", 4)\n    endif\n  endif\nendif\n"
      "if timer(element) = 100\n  str_poll(s, 2)\n  global_set(20, str_len(s))\nendif\n"
      "if timer(element) = 101\n  str_poll(s, 6)\n  global_set(21, str_len(s))\nendif\n"
      "if timer(element) = 102\n  str_poll(s, 2)\n  global_set(22, str_len(s))\nendif\n"
      "if timer(element) = 103\n  str_poll(s, -1)\n  global_set(23, str_len(s))\nendif\n"
      "if timer(element) = 104\n  str_poll(s, -1)\n  global_set(24, str_len(s) + 10)\nendif\n";
  const std::string project = testing_support::project_file({{{}, brain}});
  const uint16_t port = free_port();
  Machine one, two;
  one.setup(project, network_ini(0, port, "texts", "one"));
  two.setup(project, network_ini(1, port, "texts", "two"));
  one.start(200, 1);
  ASSERT_TRUE(one.wait_for("Compiling brains"));
  two.start(130, 2);
  one.finish();
  two.finish();
  EXPECT_EQ(two.global(20), 4);   // "bbbb": the empty text was never sent
  EXPECT_EQ(two.global(21), 6);   // "cccccc"
  EXPECT_EQ(two.global(22), 0);   // nothing left with bit 2
  EXPECT_EQ(two.global(23), 2);   // "aa" waited for a mask that takes it
  EXPECT_EQ(two.global(24), 10);  // the inbox is empty
  EXPECT_EQ(one.global(23), 0);   // a machine does not hear itself
}

// Joining a session nobody offers: after Timeout searches "Connection
// failed!", then the launch question; OK runs alone, Cancel ends the
// program before anything runs.
TEST(Session, JoinWithoutHostAsksToLaunchAlone) {
  const uint16_t port = free_port();
  Machine alone, cancelled;
  alone.setup(example_project(), network_ini(1, port, "nobody", "two", 2));
  cancelled.setup(example_project(), network_ini(1, port, "nobody", "two", 1));
  cancelled.write("cancel.txt", "1 key 28\n3 key 83\n");
  alone.start(20, 2);
  cancelled.start(20, 2, "--input-script cancel.txt");
  alone.finish();
  cancelled.finish();
  ASSERT_GE(alone.messages.size(), 2u);
  EXPECT_EQ(alone.messages[0].text, "Connection failed!");
  EXPECT_EQ(alone.messages[1].text, "Could not connect, launch anyway?");
  EXPECT_EQ(alone.messages[1].answer, 1);
  EXPECT_TRUE(alone.dump.ok());
  EXPECT_EQ(alone.global(10), 0);  // not the host of anything
  ASSERT_GE(cancelled.messages.size(), 2u);
  EXPECT_EQ(cancelled.messages[1].text, "Could not connect, launch anyway?");
  EXPECT_EQ(cancelled.messages[1].answer, 2);
  EXPECT_FALSE(cancelled.said("Loading data, please wait..."));
}

// The search that goes to the broadcast address, with that address made a
// loopback one: this process joins a host engine by the session's name.
TEST(Session, BroadcastSearchFindsTheSessionByName) {
  const uint16_t port = free_port();
  Machine host;
  host.setup(example_project(), network_ini(0, port, "by name", "host"));
  host.start(90, 1);

  net::reach().broadcast_ip = 0x7F000001u;
  testing_support::TempFolder here("quill-net-join");
  ASSERT_TRUE(core::write_file_atomic(here / "netmode.ini", "\r\n"));
  std::string ini = network_ini(1, port, "by name", "tester");
  ini.replace(ini.find("Connection=1"), 12, "Connection=2");
  ASSERT_TRUE(core::write_file_atomic(here / "network.ini", ini));
  EXPECT_TRUE(net::start(here.path()));
  EXPECT_TRUE(net::state().active.load());
  net::stop();
  net::reach().broadcast_ip = platform::kBroadcastIp;
  host.finish();
  EXPECT_TRUE(host.said("\"tester\" has joined"));
  EXPECT_TRUE(host.said("\"tester\" has left"));
}

// Without network.ini the connection dialog chooses: a join that fails
// shows its box and the dialog again; hosting under the dialog's name
// brings the session up. Without a dialog the game runs alone.
std::vector<std::string> dialog_boxes;
int dialog_rounds = 0;
net::Found missing_host;

TEST(Session, ConnectionDialogChoosesUntilASessionIsUp) {
  testing_support::TempFolder here("quill-net-dialog");
  ASSERT_TRUE(core::write_file_atomic(here / "netmode.ini", "\r\n"));
  core::state().notify.box = [](const std::string& text, const std::string&, const std::string&) {
    dialog_boxes.push_back(text);
    return 1;
  };
  EXPECT_TRUE(net::start(here.path()));  // no dialog: alone
  EXPECT_FALSE(net::state().active.load());

  missing_host = net::Found{"gone", platform::NetAddress{0x7F000001u, free_port()}};
  net::reach().broadcast_ip = 0x7F000001u;
  net::dialog = [](const std::vector<std::string>& connections, net::SessionSearch search, const std::string&) {
    EXPECT_GE(connections.size(), 2u);
    EXPECT_TRUE(search(0).empty());  // the first line is no connection
    net::DialogChoice c;
    c.chosen = true;
    if (dialog_rounds++ == 0) {
      c.session = missing_host;
    } else {
      c.host = true;
      c.session_name = "dialog";
    }
    return c;
  };
  EXPECT_TRUE(net::start(here.path()));
  EXPECT_TRUE(net::state().active.load());
  EXPECT_TRUE(net::state().is_host.load());
  net::stop();
  net::dialog = nullptr;
  net::reach().broadcast_ip = platform::kBroadcastIp;
  core::state().notify.box = nullptr;
  EXPECT_EQ(dialog_rounds, 2);
  ASSERT_EQ(dialog_boxes.size(), 1u);
  EXPECT_EQ(dialog_boxes[0], "Could not join session!");
}


// The host's peer list: only addresses a peer of this session can have, in
// the host's own kind of network, so that a hostile host cannot send its
// joiners to connect anywhere it likes.
TEST(Session, PeerListAddressesMustFitTheHostsNetwork) {
  using platform::NetAddress;
  constexpr uint32_t loopback = 0x7F000001u, lan = 0xC0A80105u, other_lan = 0x0A000002u, world = 0x08080808u;
  EXPECT_TRUE(net::plausible_peer(loopback, NetAddress{0x7F000002u, 4000}));
  EXPECT_TRUE(net::plausible_peer(lan, NetAddress{other_lan, 4000}));
  EXPECT_TRUE(net::plausible_peer(world, NetAddress{0x01020304u, 4000}));
  EXPECT_FALSE(net::plausible_peer(loopback, NetAddress{lan, 4000}));
  EXPECT_FALSE(net::plausible_peer(lan, NetAddress{world, 4000}));
  EXPECT_FALSE(net::plausible_peer(world, NetAddress{loopback, 4000}));
  EXPECT_FALSE(net::plausible_peer(lan, NetAddress{0xA9FE0001u, 4000}));  // link-local
  EXPECT_FALSE(net::plausible_peer(loopback, NetAddress{loopback, 0}));
  for (const uint32_t nowhere : {0u, 0xE0000001u, 0xF0000001u, 0xFFFFFFFFu}) {
    EXPECT_FALSE(net::plausible_peer(world, NetAddress{nowhere, 4000})) << std::hex << nowhere;
    EXPECT_FALSE(net::plausible_peer(nowhere, NetAddress{nowhere, 4000})) << std::hex << nowhere;
  }
}

// A session query as short as the bare header gets no answer (the answer,
// with the session's name, would be larger than the query); the padded
// query of a real search finds the session.
TEST(Session, QueriesAreNeverAnsweredWithMoreBytes) {
  const uint16_t port = free_port();
  Machine host;
  host.setup(example_project(), network_ini(0, port, "a session with a long name", "host"));
  host.start(150, 1);
  ASSERT_TRUE(host.wait_for("Compiling brains"));

  platform::NetEndpoint* e = platform::net_open(0, 1, 3, "QLSESSN1");
  ASSERT_NE(e, nullptr);
  const platform::NetAddress to{0x7F000001u, port};
  const std::string bare = std::string("QLSESSN1Q") + "\x65\x6E\x75\x71";
  ASSERT_TRUE(platform::net_send_datagram(e, to, bare.data(), bare.size()));
  size_t answers = 0;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
  while (std::chrono::steady_clock::now() < end)
    if (platform::net_service(e, 20).kind == platform::NetEventKind::kDatagram) ++answers;
  EXPECT_EQ(answers, 0u);

  std::vector<net::Found> found;
  for (int attempt = 0; attempt < 10 && found.empty(); ++attempt) ASSERT_TRUE(net::search_sessions(e, to, 1000, found));
  platform::net_close(e);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].name, "a session with a long name");
  host.finish();
}

// After the host leaves, the new host answers queries on the session's
// port once it is free, so a machine that joins later by IPAddress and
// PortNumber still finds the session.
TEST(Session, LateJoinerFindsTheSessionAfterMigration) {
  const uint16_t port = free_port();
  Machine one, two, three;
  one.setup(example_project(), network_ini(0, port, "example", "one"));
  two.setup(example_project(), network_ini(1, port, "example", "two"));
  three.setup(example_project(), network_ini(1, port, "example", "three", 20));
  one.start(60, 1);
  ASSERT_TRUE(one.wait_for("Compiling brains"));
  two.start(900, 2);
  ASSERT_TRUE(two.wait_for("You have become the host"));
  one.finish();
  three.start(60, 3);
  three.finish();
  two.finish();
  EXPECT_FALSE(three.said("Connection failed!"));
  EXPECT_TRUE(two.said("\"three\" has joined"));
  EXPECT_TRUE(two.said("\"three\" has left"));
  EXPECT_EQ(two.global(10), -1);
  EXPECT_EQ(three.global(10), 0);
}

// The connection dialog of the binary, when network.ini is missing. Its
// searches go to 127.0.0.1 in a headless run, at the default port, which
// these tests need free.
bool default_port_free() {
  const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(net::kDefaultPort);
  const bool ok = s >= 0 && ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  if (s >= 0) ::close(s);
  return ok;
}

void dialog_setup(Machine& m, const std::string& script) {
  m.write("projects/n/n.prj", example_project());
  m.write("runmode.ini", "projects/n/n.prj\r\n1\r\n0\r\n0\r\n0\r\n");
  m.write("netmode.ini", "\r\n");
  m.write("dialog.txt", script);
}

TEST(ConnectionDialog, HostsUnderTheTypedName) {
  if (!default_port_free()) GTEST_SKIP() << "the default session port is in use";
  // The computer's name is offered; Backspace clears it, then "lan game"
  // and F1 (Host).
  std::string script;
  int pass = 10;
  for (int i = 0; i < 70; ++i, pass += 2) script += std::to_string(pass) + " key 14\n";
  for (const char c : std::string("lan game"))
    script += std::to_string(pass += 2) + " char " + std::to_string(static_cast<int>(c)) + "\n";
  script += std::to_string(pass + 2) + " key 59\n";
  Machine host;
  dialog_setup(host, script);
  host.start(240, 1, "--input-script dialog.txt --screenshot shot.png");
  ASSERT_TRUE(host.wait_for("Compiling brains"));
  platform::NetEndpoint* e = platform::net_open(0, 1, 3, "QLSESSN1");
  ASSERT_NE(e, nullptr);
  std::vector<net::Found> found;
  EXPECT_TRUE(net::search_sessions(e, platform::NetAddress{0x7F000001u, net::kDefaultPort}, 1500, found));
  platform::net_close(e);
  host.finish();
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].name, "lan game");
  EXPECT_EQ(host.global(10), -1);
  EXPECT_TRUE(core::file_exists(host.dir + "shot.png"));
  EXPECT_FALSE(host.said("Could not connect, launch anyway?"));
}

TEST(ConnectionDialog, JoinsTheSessionFoundOnThisMachine) {
  if (!default_port_free()) GTEST_SKIP() << "the default session port is in use";
  Machine host, joiner;
  host.setup(example_project(), network_ini(0, net::kDefaultPort, "found here", "host"));
  dialog_setup(joiner, "10 key 80\n12 key 28\n");  // Down stays on the one session; Enter joins it
  host.start(300, 1);
  ASSERT_TRUE(host.wait_for("Compiling brains"));
  joiner.start(90, 2, "--input-script dialog.txt");
  joiner.finish();
  host.finish();
  EXPECT_TRUE(joiner.dump.ok());
  EXPECT_EQ(joiner.global(10), 0);
  EXPECT_FALSE(joiner.said("Could not connect, launch anyway?"));
  bool joined = false, left = false;
  for (const Message& m : host.messages) {
    joined = joined || m.text.find("\" has joined") != std::string::npos;
    left = left || m.text.find("\" has left") != std::string::npos;
  }
  EXPECT_TRUE(joined);
  EXPECT_TRUE(left);
}

// Escape cancels the dialog: the launch question follows, OK runs alone
// and Cancel ends the program.
TEST(ConnectionDialog, EscapeAsksToLaunchAlone) {
  if (!default_port_free()) GTEST_SKIP() << "the default session port is in use";
  Machine alone, cancelled;
  dialog_setup(alone, "10 key 1\n");
  dialog_setup(cancelled, "10 key 1\n14 key 83\n");
  alone.start(20, 1, "--input-script dialog.txt");
  alone.finish();
  cancelled.start(20, 1, "--input-script dialog.txt");
  cancelled.finish();
  ASSERT_GE(alone.messages.size(), 1u);
  EXPECT_EQ(alone.messages[0].text, "Could not connect, launch anyway?");
  EXPECT_EQ(alone.messages[0].answer, 1);
  EXPECT_TRUE(alone.dump.ok());
  EXPECT_EQ(alone.global(10), 0);
  ASSERT_GE(cancelled.messages.size(), 1u);
  EXPECT_EQ(cancelled.messages[0].text, "Could not connect, launch anyway?");
  EXPECT_EQ(cancelled.messages[0].answer, 2);
  EXPECT_FALSE(cancelled.said("Loading data, please wait..."));
}

}  // namespace
