/* An LD_PRELOAD library for the crash tests: it numbers the calls that change files (points)
 * and, at one of them, crashes the process or makes the call fail.
 *
 * Points, in the order the process makes them: w a write to a regular file (write, pwrite),
 * t ftruncate, a posix_fallocate, s fsync/fdatasync (of files and directories), r rename,
 * u unlink.
 *
 * Environment:
 *   TARNWICK_CRASH_AT=N   the point to act at (1 is the first); unset: only count.
 *   TARNWICK_CRASH_MODE   kill (default): SIGKILL before the call. torn: a write does the first
 *                         half of its bytes, then SIGKILL (other points as kill). fail: the
 *                         call fails (ENOSPC for writes and allocation, EIO for the rest) and
 *                         the process goes on. lose: a power loss: the data written to each
 *                         file since its last sync is undone, then SIGKILL. last: the same,
 *                         except that the last write lands (a disk that reordered writes).
 *                         Renames, unlinks and file creations count as durable at once: what
 *                         these model is lost data, not lost directory entries.
 *   TARNWICK_CRASH_LOG    at exit, the letter of every point made is written to this file.
 *
 * Single-threaded callers only, as the tool is. */

#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#define EXPORT __attribute__((visibility("default")))
#define REAL(name) ((__typeof__(&name))dlsym(RTLD_NEXT, #name))

enum { kCount, kKill, kTorn, kFail, kLose, kLast };

static long gAt = -1, gCount;
static int gMode = kCount;
static char gKinds[1 << 16];

/* lose, last: each file changed since its last sync, with its bytes and length at that sync
 * (taken before its first change), read through a descriptor of our own (a new open file
 * description, so that it shares no lock), which also outlives the caller's; and the last
 * such write, with the bytes it wrote. */
static struct Tracked {
    dev_t dev;
    ino_t ino;
    int fd; /* 0: a free slot */
    off_t length;
    char* bytes;
} gTracked[64];
static struct Tracked* gLastFile;
static struct {
    off_t offset;
    size_t length;
    char* bytes;
} gLast;

static void Start(void) __attribute__((constructor));
static void Start(void) {
    static const char* const kModes[] = {"", "kill", "torn", "fail", "lose", "last"};
    const char* at = getenv("TARNWICK_CRASH_AT");
    const char* mode = getenv("TARNWICK_CRASH_MODE");
    if (!at) return;
    gAt = atol(at);
    gMode = mode ? kCount : kKill;
    for (int i = kKill; mode && i <= kLast; ++i)
        if (!strcmp(mode, kModes[i])) gMode = i;
}

static void Finish(void) __attribute__((destructor));
static void Finish(void) {
    const char* path = getenv("TARNWICK_CRASH_LOG");
    int fd = path ? open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644) : -1;
    if (fd >= 0 && REAL(write)(fd, gKinds, (size_t)gCount) < 0) perror(path);
    if (fd >= 0) close(fd);
}

/* lose, last: the tracked file of `fd` (null for other files), added with its bytes now when
 * `add` is set. */
static struct Tracked* Find(int fd, int add) {
    struct stat info;
    struct Tracked* slot = NULL;
    if (gMode < kLose || fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return NULL;
    for (size_t i = 0; i < sizeof gTracked / sizeof gTracked[0]; ++i) {
        struct Tracked* t = &gTracked[i];
        if (t->fd && t->dev == info.st_dev && t->ino == info.st_ino) return t;
        if (!t->fd && !slot) slot = t;
    }
    if (!add) return NULL;
    char own[64];
    snprintf(own, sizeof own, "/proc/self/fd/%d", fd);
    /* a loss that cannot be staged would prove nothing */
    if (!slot || (slot->fd = open(own, O_RDWR | O_CLOEXEC)) < 0) abort();
    *slot = (struct Tracked){info.st_dev, info.st_ino, slot->fd, info.st_size,
                             malloc((size_t)info.st_size + 1)};
    if (!slot->bytes || pread(slot->fd, slot->bytes, (size_t)slot->length, 0) != slot->length)
        abort();
    return slot;
}

/* lose, last: a sync made the file's data durable. */
static void Forget(int fd) {
    struct Tracked* t = Find(fd, 0);
    if (!t) return;
    if (gLastFile == t) gLastFile = NULL;
    close(t->fd);
    free(t->bytes);
    memset(t, 0, sizeof *t);
}

static void Crash(void) {
    for (size_t i = 0; i < sizeof gTracked / sizeof gTracked[0]; ++i) {
        struct Tracked* t = &gTracked[i];
        if (t->fd && (REAL(pwrite)(t->fd, t->bytes, (size_t)t->length, 0) != t->length ||
                      REAL(ftruncate)(t->fd, t->length) != 0))
            abort();
    }
    if (gMode == kLast && gLastFile &&
        REAL(pwrite)(gLastFile->fd, gLast.bytes, gLast.length, gLast.offset) !=
            (ssize_t)gLast.length)
        abort();
    kill(getpid(), SIGKILL);
}

/* Counts a point; true when the call must fail. Crashes here in the modes that crash, except
 * for a torn write, which its caller tears. */
static int Point(char kind) {
    if (gCount < (long)sizeof gKinds) gKinds[gCount] = kind;
    if (++gCount != gAt) return 0;
    if (gMode == kFail) return 1;
    if (gMode != kTorn || kind != 'w') Crash();
    return 0;
}

/* A write of `count` bytes at `offset` (-1: at the descriptor's position). */
static ssize_t Write(int fd, const void* data, size_t count, off_t offset) {
    struct stat info;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        if (Point('w')) return errno = ENOSPC, -1;
        if ((gLastFile = Find(fd, 1))) {
            free(gLast.bytes);
            gLast.offset = offset < 0 ? lseek(fd, 0, SEEK_CUR) : offset;
            gLast.length = count;
            if (!(gLast.bytes = malloc(count + 1))) abort();
            memcpy(gLast.bytes, data, count);
        }
        if (gMode == kTorn && gCount == gAt) {
            if ((offset < 0 ? REAL(write)(fd, data, count / 2)
                            : REAL(pwrite)(fd, data, count / 2, offset)) < 0)
                abort();
            Crash();
        }
    }
    return offset < 0 ? REAL(write)(fd, data, count) : REAL(pwrite)(fd, data, count, offset);
}

EXPORT ssize_t write(int fd, const void* data, size_t count) {
    return Write(fd, data, count, -1);
}
EXPORT ssize_t pwrite(int fd, const void* data, size_t count, off_t offset) {
    return Write(fd, data, count, offset);
}
EXPORT int ftruncate(int fd, off_t length) {
    if (Point('t')) return errno = EIO, -1;
    Find(fd, 1);
    return REAL(ftruncate)(fd, length);
}
/* posix_fallocate returns its error instead of setting errno. */
EXPORT int posix_fallocate(int fd, off_t offset, off_t length) {
    if (Point('a')) return ENOSPC;
    Find(fd, 1);
    return REAL(posix_fallocate)(fd, offset, length);
}
EXPORT int fsync(int fd) {
    int result = Point('s') ? (errno = EIO, -1) : REAL(fsync)(fd);
    if (result == 0) Forget(fd);
    return result;
}
EXPORT int fdatasync(int fd) {
    int result = Point('s') ? (errno = EIO, -1) : REAL(fdatasync)(fd);
    if (result == 0) Forget(fd);
    return result;
}
EXPORT int rename(const char* from, const char* to) {
    return Point('r') ? (errno = EIO, -1) : REAL(rename)(from, to);
}
EXPORT int unlink(const char* path) {
    return Point('u') ? (errno = EIO, -1) : REAL(unlink)(path);
}
