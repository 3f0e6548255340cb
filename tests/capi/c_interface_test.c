/* The C interface, compiled as C99, against corvane-dc processes on ptys in
 * both framings: every function, the callbacks, cancel from inside the progress
 * callback, the arguments the interface refuses, and what it says of a port
 * that will not open.
 * Usage: c_interface_test CORVANE_DC_BINARY */
#define _POSIX_C_SOURCE 200809L

#include <corvane/corvane.h>

#include <signal.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

static const char *dc_binary;
static int failures;

#define CHECK(condition)                                                          \
  do {                                                                            \
    if (!(condition)) {                                                           \
      fprintf(stderr, "%s:%d: failed: %s (last error %d: %s)\n", __FILE__, __LINE__, \
              #condition, corvane_last_error(), corvane_result_text(corvane_last_error())); \
      ++failures;                                                                 \
    }                                                                             \
  } while (0)

/* A corvane-dc process on a pty of its own; `tty` is the end the PC opens. */
struct device {
  pid_t pid;
  FILE *output;
  char tty[128];
};

static int start_device(struct device *device, const char *framing, const char *dir, const char *role,
                        const char *argument) {
  int out[2];
  posix_spawn_file_actions_t actions;
  char *argv[] = {(char *)dc_binary, "--pty", "--timeout", "2", "--framing", (char *)framing, "--dir", (char *)dir,
                  (char *)role, (char *)argument, NULL};
  if (pipe(out) != 0) return 0;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  if (posix_spawn(&device->pid, dc_binary, &actions, NULL, argv, environ) != 0) device->pid = 0;
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  device->output = fdopen(out[0], "r");
  if (device->pid == 0 || device->output == NULL || fgets(device->tty, sizeof device->tty, device->output) == NULL)
    return 0;
  device->tty[strcspn(device->tty, "\n")] = '\0';
  return 1;
}

/* Waits for the device to end, after a SIGTERM when `interrupt` is set; 1 when
 * every action it played succeeded. */
static int stop_device(struct device *device, int interrupt) {
  int status = 0;
  char line[256];
  if (interrupt) kill(device->pid, SIGTERM);
  while (fgets(line, sizeof line, device->output) != NULL) fputs(line, stderr);
  fclose(device->output);
  waitpid(device->pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

static void write_file(const char *path, const char *content, size_t size) {
  FILE *file = fopen(path, "wb");
  if (file == NULL) return;
  fwrite(content, 1, size, file);
  fclose(file);
}

/* The whole file (up to a megabyte), zero-terminated, in a buffer the next call reuses; "" when it cannot be read. */
static const char *read_file(const char *path) {
  static char content[1 << 20];
  size_t length = 0;
  FILE *file = fopen(path, "rb");
  if (file != NULL) {
    length = fread(content, 1, sizeof content - 1, file);
    fclose(file);
  }
  content[length] = '\0';
  return content;
}

static const char kText[] = "first line\r\nsecond line\r\n";

/* What the callbacks saw and are to do. */
struct observed {
  int progress_calls;
  int cancel_after_bytes; /* cancel once this many bytes have moved; -1 never */
  int cancel_accepted;
  pid_t cancel_when_exited; /* cancel once this process has ended; 0 never */
  int nested;               /* what an operation started from the callback returned */
  char message[128];
  char proposed[256];
};

static void on_progress(void *user, int32_t done, int32_t total, const char *message) {
  struct observed *seen = user;
  (void)total;
  ++seen->progress_calls;
  seen->nested = corvane_directory(NULL);
  if (message[0] != '\0') snprintf(seen->message, sizeof seen->message, "%s", message);
  if (seen->cancel_after_bytes >= 0 && done >= seen->cancel_after_bytes) seen->cancel_accepted = corvane_cancel();
  if (seen->cancel_when_exited > 0 && waitpid(seen->cancel_when_exited, NULL, WNOHANG) == seen->cancel_when_exited)
    seen->cancel_accepted = corvane_cancel();
}

static int on_save_as(void *user, const char *proposed, char *new_name, size_t capacity) {
  struct observed *seen = user;
  snprintf(seen->proposed, sizeof seen->proposed, "%s", proposed);
  snprintf(new_name, capacity, "RENAMED.TXT");
  return 1;
}

struct line {
  const char *framing;
  int platform;         /* for send, receive and get */
  int generic_platform; /* for directory, change directory and delete */
  char served[64];      /* the device's directory */
};

/* The line activity counts the last operation's packets, and its error packets
 * apart; the trace records the line while it is on. */
static void send_and_get(struct line *line) {
  char path[128];
  uint32_t packets = 0, errors = 99;
  const char *trace;
  struct observed seen = {0, -1, 0, 0, 0, "", ""};
  corvane_set_progress_callback(on_progress, &seen);
  corvane_set_platform(line->platform);
  write_file("NOTES.TXT", kText, strlen(kText));
  CHECK(corvane_set_trace("missing-dir/trace.log") == 0);
  CHECK(corvane_set_trace("trace.log") == 1);
  CHECK(corvane_send("NOTES.TXT", "SENT.TXT") == CORVANE_OK);
  CHECK(corvane_set_trace(NULL) == 1);
  corvane_line_activity(&packets, &errors);
  CHECK(packets > 0 && errors == 0);
  trace = read_file("trace.log");
  CHECK(strstr(trace, " pc ") != NULL && strstr(trace, " dc ") != NULL);
  snprintf(path, sizeof path, "%s/SENT.TXT", line->served);
  CHECK(strcmp(read_file(path), kText) == 0);
  CHECK(seen.progress_calls > 0 && strcmp(seen.message, "Sending NOTES.TXT") == 0);
  CHECK(seen.nested == CORVANE_BUSY);

  snprintf(path, sizeof path, "%s/FIELD.TXT", line->served);
  write_file(path, kText, strlen(kText));
  CHECK(corvane_get("FIELD.TXT", NULL) == CORVANE_OK);
  CHECK(strcmp(read_file("FIELD.TXT"), kText) == 0);
  CHECK(corvane_get("MISSING.TXT", "") == CORVANE_FAILED);
  corvane_line_activity(&packets, &errors);
  CHECK(errors > 0 && packets >= errors);
}

static void list_change_and_delete(struct line *line) {
  char path[128], reply[512], small[4];
  size_t length;
  corvane_set_platform(line->generic_platform);
  snprintf(path, sizeof path, "%s/SUB", line->served);
  mkdir(path, 0755);
  snprintf(path, sizeof path, "%s/SUB/OLD.TXT", line->served);
  write_file(path, "x", 1);

  CHECK(corvane_directory(NULL) == CORVANE_OK);
  length = corvane_output_filename(reply, sizeof reply);
  CHECK(length > 0 && length < sizeof reply);
  CHECK(corvane_output_filename(small, sizeof small) == length && strlen(small) == sizeof small - 1);
  CHECK(strstr(read_file(reply), "SUB <DIR>\r\n") != NULL);
  remove(reply);

  CHECK(corvane_change_directory("SUB") == CORVANE_OK);
  CHECK(corvane_delete("OLD.TXT") == CORVANE_OK);
  CHECK(access(path, F_OK) != 0);
  CHECK(corvane_delete("OLD.TXT") == CORVANE_FAILED);
  /* The classic device says why in words; the detail is cut safely to a small buffer. */
  if (line->platform == 0) {
    CHECK(corvane_error_detail(NULL, 0) > sizeof small);
    CHECK(corvane_error_detail(small, sizeof small) > sizeof small && strlen(small) == sizeof small - 1);
  }
  CHECK(corvane_change_directory("..") == CORVANE_OK);
}

static void cancel_from_the_callback(struct line *line) {
  static char big[400000];
  struct observed seen = {0, 1, 0, 0, 0, "", ""};
  memset(big, 'k', sizeof big);
  write_file("BIG.DAT", big, sizeof big);
  corvane_set_progress_callback(on_progress, &seen);
  corvane_set_platform(line->platform);
  CHECK(corvane_send("BIG.DAT", "") == CORVANE_CANCELLED);
  CHECK(seen.cancel_accepted == 1);
  CHECK(corvane_cancel() == 0);
}

/* The arguments the interface refuses before anything is sent. */
static void refused_arguments(struct line *line) {
  char long_name[CORVANE_MAX_PATH + 2];
  memset(long_name, 'A', sizeof long_name - 1);
  long_name[sizeof long_name - 1] = '\0';
  CHECK(corvane_send(NULL, NULL) == CORVANE_BAD_ARGUMENT);
  CHECK(corvane_last_error() == CORVANE_BAD_ARGUMENT);
  CHECK(corvane_get(NULL, "X") == CORVANE_BAD_ARGUMENT);
  CHECK(corvane_change_directory(NULL) == CORVANE_BAD_ARGUMENT);
  CHECK(corvane_send(long_name, "") == CORVANE_BAD_ARGUMENT);
  long_name[CORVANE_MAX_ARGUMENT + 1] = '\0';
  CHECK(corvane_delete(long_name) == CORVANE_BAD_ARGUMENT);
  CHECK(corvane_directory(long_name) == CORVANE_BAD_ARGUMENT);
  long_name[CORVANE_MAX_ARGUMENT] = '\0';
  /* One character less fits the request and goes to the device, which has no such file. */
  corvane_set_platform(line->generic_platform);
  CHECK(corvane_delete(long_name) == CORVANE_FAILED);
}

/* The device pushes a file the PC has already: the Save As callback renames it. */
static void receive_and_save_as(struct line *line) {
  struct device pusher;
  struct observed seen = {0, -1, 0, 0, 0, "", ""};
  char path[128];
  snprintf(path, sizeof path, "%s/PUSHED.TXT", line->served);
  write_file(path, kText, strlen(kText));
  write_file("PUSHED.TXT", "kept", 4);
  corvane_set_save_as_callback(on_save_as, &seen);
  if (!start_device(&pusher, line->framing, line->served, "send", path)) {
    CHECK(!"corvane-dc started");
    return;
  }
  corvane_set_platform(line->platform);
  CHECK(corvane_open(pusher.tty, 9600, CORVANE_PARITY_NONE) == 1);
  CHECK(corvane_receive(NULL) == CORVANE_OK);
  corvane_close();
  CHECK(stop_device(&pusher, 0));
  CHECK(strcmp(read_file("PUSHED.TXT"), "kept") == 0);
  CHECK(strstr(seen.proposed, "PUSHED.TXT") != NULL);
  CHECK(strcmp(read_file("RENAMED.TXT"), kText) == 0);
  corvane_set_save_as_callback(NULL, NULL);
}

/* A port that will not open says why, in the detail and in its diagnosis. */
static void unopenable_port(void) {
  static const char missing[] = "/dev/corvane-no-such-port";
  char detail[512], findings[512];
  CHECK(corvane_open(missing, 9600, CORVANE_PARITY_NONE) == 0);
  CHECK(corvane_error_detail(detail, sizeof detail) < sizeof detail);
  CHECK(strstr(detail, missing) != NULL && strstr(detail, "; fix: ") != NULL);
  CHECK(corvane_diagnose_port(missing, findings, sizeof findings) < sizeof findings);
  CHECK(strncmp(findings, missing, strlen(missing)) == 0 && strchr(findings, '\t') != NULL);
  CHECK(strchr(findings, '\n') == findings + strlen(findings) - 1);
  CHECK(corvane_diagnose_port(NULL, findings, sizeof findings) == 0);
}

/* The device uploads a file to the PC's server; the callback cancels once the device is done.
 * The one request is then handed out whole and once, even when the first copy was cut. */
static void serve_until_cancelled(struct line *line) {
  struct device uploader;
  struct observed seen = {0, -1, 0, 0, 0, "", ""};
  char upload[128], expected[512], cwd[256] = "", small[8], whole[512];
  size_t length;
  snprintf(upload, sizeof upload, "%s/UP.TXT", line->served);
  write_file(upload, kText, strlen(kText));
  if (!start_device(&uploader, "wide", line->served, "upload", upload)) {
    CHECK(!"corvane-dc started");
    return;
  }
  seen.cancel_when_exited = uploader.pid;
  corvane_set_progress_callback(on_progress, &seen);
  CHECK(corvane_open(uploader.tty, 9600, CORVANE_PARITY_NONE) == 1);
  CHECK(corvane_serve(".") == CORVANE_CANCELLED);
  corvane_close();
  fclose(uploader.output);
  CHECK(seen.cancel_accepted == 1);
  CHECK(strcmp(read_file("UP.TXT"), kText) == 0);
  CHECK(getcwd(cwd, sizeof cwd) != NULL);
  snprintf(expected, sizeof expected, "upload\t1\t%u\t%s/UP.TXT\t\n", (unsigned)strlen(kText), cwd);
  length = corvane_served_requests(small, sizeof small);
  CHECK(length == strlen(expected));
  CHECK(corvane_served_requests(whole, sizeof whole) == length && strcmp(whole, expected) == 0);
  CHECK(corvane_served_requests(whole, sizeof whole) == 0 && whole[0] == '\0');
}

/* The cases that run against one serving device per framing. */
typedef void (*against_server)(struct line *line);

int main(int argc, char **argv) {
  static const against_server cases[] = {send_and_get, list_change_and_delete,
                                         refused_arguments, cancel_from_the_callback};
  struct line lines[] = {{"classic", 0, 1, ""}, {"wide", 2, 2, ""}};
  char scratch[] = "/tmp/corvane-c-XXXXXX";
  char *ports;
  size_t i, c;
  if (argc != 2 || mkdtemp(scratch) == NULL || chdir(scratch) != 0) return 2;
  dc_binary = argv[1];

  CHECK(strcmp(corvane_error_text(0), "") == 0);
  CHECK(corvane_status(NULL, NULL) == 0);
  CHECK(corvane_open(NULL, 9600, 0) == 0);
  CHECK(corvane_open("COM250", 9600, 0) == 0 && corvane_open_com(250, 9600, 0) == 0);
  unopenable_port();
  /* Whatever ports this machine has, the list fits the length it announces. */
  ports = calloc(corvane_ports(NULL, 0) + 1, 1);
  CHECK(ports != NULL && corvane_ports(ports, corvane_ports(NULL, 0) + 1) == strlen(ports));
  free(ports);

  for (i = 0; i < sizeof lines / sizeof lines[0]; ++i) {
    struct line *line = &lines[i];
    struct device server;
    char pc[64];
    snprintf(line->served, sizeof line->served, "%s/dc-%s", scratch, line->framing);
    snprintf(pc, sizeof pc, "%s/pc-%s", scratch, line->framing);
    mkdir(line->served, 0755);
    mkdir(pc, 0755);
    if (chdir(pc) != 0) return 2;
    fprintf(stderr, "-- %s framing\n", line->framing);
    if (!start_device(&server, line->framing, line->served, "serve", NULL)) return 2;
    CHECK(corvane_open(server.tty, 9600, CORVANE_PARITY_NONE) == 1);
    for (c = 0; c < sizeof cases / sizeof cases[0]; ++c) cases[c](line);
    corvane_close();
    stop_device(&server, 1);
    corvane_set_progress_callback(NULL, NULL);
    receive_and_save_as(line);
    if (strcmp(line->framing, "wide") == 0) serve_until_cancelled(line);
  }
  printf("%d failed checks\n", failures);
  return failures == 0 ? 0 : 1;
}
