/* An LD_PRELOAD library for the crash tests: it numbers the calls that change files (points)
 * and, at one of them, crashes the process or makes the call fail.
 *
 * Points, in the order the process makes them: w a write to a regular file (write, pwrite),
 * t ftruncate, a fallocate/posix_fallocate, s fsync/fdatasync (of files and directories),
 * r rename, u unlink.
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

/* lose, last: the bytes a file held before its unsynced changes, and its length then. Kept
 * through a descriptor of our own (a new open file description, so that it shares no lock),
 * which also outlives the caller's. */
struct Saved {
    off_t offset;
    size_t length;
    char* bytes;
};
static struct Tracked {
    dev_t dev;
    ino_t ino;
    int fd; /* 0: a free slot */
    off_t length;
    struct Saved* saved;
    size_t count;
} gTracked[64];
/* last: the last unsynced write, with the bytes it wrote. */
static struct Tracked* gLastFile;
static struct Saved gLast;

static void Start(void) __attribute__((constructor));
static void Start(void) {
    const char* at = getenv("TARNWICK_CRASH_AT");
    const char* mode = getenv("TARNWICK_CRASH_MODE");
    if (!at) return;
    gAt = atol(at);
    gMode = !mode || !strcmp(mode, "kill") ? kKill
            : !strcmp(mode, "torn")        ? kTorn
            : !strcmp(mode, "fail")        ? kFail
            : !strcmp(mode, "lose")        ? kLose
            : !strcmp(mode, "last")        ? kLast
                                           : kCount;
}

static void Finish(void) __attribute__((destructor));
static void Finish(void) {
    const char* path = getenv("TARNWICK_CRASH_LOG");
    int fd = path ? open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644) : -1;
    if (fd < 0) return;
    if (REAL(write)(fd, gKinds, (size_t)gCount) < 0) perror(path);
    close(fd);
}

static int IsRegular(int fd) {
    struct stat info;
    return fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
}

static struct Tracked* Find(int fd, int add) {
    struct stat info;
    struct Tracked* slot = NULL;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return NULL;
    for (size_t i = 0; i < sizeof gTracked / sizeof gTracked[0]; ++i) {
        struct Tracked* t = &gTracked[i];
        if (t->fd && t->dev == info.st_dev && t->ino == info.st_ino) return t;
        if (!t->fd && !slot) slot = t;
    }
    if (!add) return NULL;
    char own[64];
    snprintf(own, sizeof own, "/proc/self/fd/%d", fd);
    if (!slot || (slot->fd = open(own, O_RDWR | O_CLOEXEC)) < 0)
        abort(); /* a loss that cannot be staged would prove nothing */
    slot->dev = info.st_dev;
    slot->ino = info.st_ino;
    slot->length = info.st_size;
    return slot;
}

/* lose, last: saves what [offset, offset + length) of the file holds before a change (the
 * part within the file), and its length before the first change since its last sync; for a
 * write (`data` not null), also what it writes. */
static void Save(int fd, off_t offset, size_t length, const void* data) {
    struct Tracked* t = gMode >= kLose ? Find(fd, 1) : NULL;
    struct stat info;
    if (t && data) {
        free(gLast.bytes);
        gLastFile = t;
        gLast = (struct Saved){offset, length, malloc(length + 1)};
        if (!gLast.bytes) abort();
        memcpy(gLast.bytes, data, length);
    }
    if (!t || fstat(fd, &info) != 0 || offset >= info.st_size || length == 0) return;
    if ((off_t)length > info.st_size - offset) length = (size_t)(info.st_size - offset);
    struct Saved saved = {offset, length, malloc(length)};
    t->saved = realloc(t->saved, (t->count + 1) * sizeof *t->saved);
    if (!saved.bytes || !t->saved || pread(t->fd, saved.bytes, length, offset) != (ssize_t)length)
        abort();
    t->saved[t->count++] = saved;
}

/* lose, last: a sync made the file's data durable. */
static void Forget(int fd) {
    struct Tracked* t = gMode >= kLose ? Find(fd, 0) : NULL;
    if (!t) return;
    if (gLastFile == t) gLastFile = NULL;
    close(t->fd);
    for (size_t i = 0; i < t->count; ++i)
        free(t->saved[i].bytes);
    free(t->saved);
    memset(t, 0, sizeof *t);
}

static void Crash(void) {
    for (size_t i = 0; gMode >= kLose && i < sizeof gTracked / sizeof gTracked[0]; ++i) {
        struct Tracked* t = &gTracked[i];
        while (t->fd && t->count > 0) {
            const struct Saved* s = &t->saved[--t->count];
            if (REAL(pwrite)(t->fd, s->bytes, s->length, s->offset) != (ssize_t)s->length) abort();
        }
        if (t->fd && REAL(ftruncate)(t->fd, t->length) != 0) abort();
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

static ssize_t Fail(int error) {
    errno = error;
    return -1;
}

/* A write of `count` bytes at `offset` (-1: at the descriptor's position). */
static ssize_t Write(int fd, const void* data, size_t count, off_t offset) {
    if (!IsRegular(fd))
        return offset < 0 ? REAL(write)(fd, data, count) : REAL(pwrite)(fd, data, count, offset);
    if (Point('w')) return Fail(ENOSPC);
    Save(fd, offset < 0 ? lseek(fd, 0, SEEK_CUR) : offset, count, data);
    if (gMode == kTorn && gCount == gAt) {
        if (offset < 0 ? REAL(write)(fd, data, count / 2) < 0
                       : REAL(pwrite)(fd, data, count / 2, offset) < 0)
            abort();
        Crash();
    }
    return offset < 0 ? REAL(write)(fd, data, count) : REAL(pwrite)(fd, data, count, offset);
}

EXPORT ssize_t write(int fd, const void* data, size_t count) {
    return Write(fd, data, count, -1);
}
EXPORT ssize_t pwrite(int fd, const void* data, size_t count, off_t offset) {
    return Write(fd, data, count, offset);
}
EXPORT ssize_t pwrite64(int fd, const void* data, size_t count, off_t offset) {
    return Write(fd, data, count, offset);
}

static int Truncate(int fd, off_t length) {
    if (Point('t')) return (int)Fail(EIO);
    Save(fd, length, (size_t)-1, NULL);
    return REAL(ftruncate)(fd, length);
}
EXPORT int ftruncate(int fd, off_t length) {
    return Truncate(fd, length);
}
EXPORT int ftruncate64(int fd, off_t length) {
    return Truncate(fd, length);
}

/* posix_fallocate returns its error instead of setting errno. */
EXPORT int posix_fallocate(int fd, off_t offset, off_t length) {
    if (Point('a')) return ENOSPC;
    Save(fd, offset, 0, NULL); /* only the length changes */
    return REAL(posix_fallocate)(fd, offset, length);
}
EXPORT int posix_fallocate64(int fd, off_t offset, off_t length) {
    return posix_fallocate(fd, offset, length);
}
EXPORT int fallocate(int fd, int mode, off_t offset, off_t length) {
    if (Point('a')) return (int)Fail(ENOSPC);
    Save(fd, offset, 0, NULL);
    return REAL(fallocate)(fd, mode, offset, length);
}

EXPORT int fsync(int fd) {
    if (Point('s')) return (int)Fail(EIO);
    int result = REAL(fsync)(fd);
    if (result == 0) Forget(fd);
    return result;
}
EXPORT int fdatasync(int fd) {
    if (Point('s')) return (int)Fail(EIO);
    int result = REAL(fdatasync)(fd);
    if (result == 0) Forget(fd);
    return result;
}

EXPORT int rename(const char* from, const char* to) {
    return Point('r') ? (int)Fail(EIO) : REAL(rename)(from, to);
}
EXPORT int unlink(const char* path) {
    return Point('u') ? (int)Fail(EIO) : REAL(unlink)(path);
}
