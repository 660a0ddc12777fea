/* A folder served slowly: a FUSE file system that shows a source folder as it is (read only)
 * and waits a fixed time in every call, as a network share or a tired disk answers. The tests
 * mount it to see the windows keep answering while a folder is read.
 *
 *   tovrel-test-slowfs SOURCE MOUNTPOINT DELAY_MS
 *
 * Prints "mounted" on its standard output once the mount is in place, serves until SIGTERM or
 * SIGINT, then unmounts. */
#define FUSE_USE_VERSION 31

#include <fuse.h>

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

static const char *source;
static long delayMs;

/* The deliberate delay of every call: the point of this file system. */
static void slowDown(void)
{
    struct timespec t = {delayMs / 1000, (delayMs % 1000) * 1000000L};
    while (nanosleep(&t, &t) != 0 && errno == EINTR) {
    }
}

static int real(const char *path, char *out)
{
    return snprintf(out, PATH_MAX, "%s%s", source, path) < PATH_MAX ? 0 : -ENAMETOOLONG;
}

static void *slowInit(struct fuse_conn_info *conn, struct fuse_config *cfg)
{
    (void)conn;
    /* Nothing is kept by the kernel: every look goes through the delay. */
    cfg->attr_timeout = 0;
    cfg->entry_timeout = 0;
    cfg->negative_timeout = 0;
    cfg->direct_io = 1;
    return NULL;
}

static int slowGetattr(const char *path, struct stat *st, struct fuse_file_info *fi)
{
    (void)fi;
    char p[PATH_MAX];
    if (real(path, p))
        return -ENAMETOOLONG;
    slowDown();
    return lstat(p, st) == 0 ? 0 : -errno;
}

static int slowReaddir(const char *path, void *buf, fuse_fill_dir_t fill, off_t offset,
                       struct fuse_file_info *fi, enum fuse_readdir_flags flags)
{
    (void)offset, (void)fi, (void)flags;
    char p[PATH_MAX];
    if (real(path, p))
        return -ENAMETOOLONG;
    slowDown();
    DIR *dir = opendir(p);
    if (!dir)
        return -errno;
    for (struct dirent *e; (e = readdir(dir)) != NULL;) {
        struct stat st;
        memset(&st, 0, sizeof st);
        st.st_ino = e->d_ino;
        st.st_mode = (mode_t)DTTOIF(e->d_type);
        if (fill(buf, e->d_name, &st, 0, 0))
            break;
    }
    closedir(dir);
    return 0;
}

static int slowOpen(const char *path, struct fuse_file_info *fi)
{
    char p[PATH_MAX];
    if (real(path, p))
        return -ENAMETOOLONG;
    slowDown();
    if ((fi->flags & O_ACCMODE) != O_RDONLY)
        return -EROFS;
    const int fd = open(p, fi->flags);
    if (fd < 0)
        return -errno;
    fi->fh = (uint64_t)fd;
    return 0;
}

static int slowRead(const char *path, char *buf, size_t size, off_t offset,
                    struct fuse_file_info *fi)
{
    (void)path;
    slowDown();
    const ssize_t got = pread((int)fi->fh, buf, size, offset);
    return got < 0 ? -errno : (int)got;
}

static int slowRelease(const char *path, struct fuse_file_info *fi)
{
    (void)path;
    close((int)fi->fh);
    return 0;
}

static const struct fuse_operations operations = {
    .getattr = slowGetattr,
    .open = slowOpen,
    .read = slowRead,
    .release = slowRelease,
    .readdir = slowReaddir,
    .init = slowInit,
};

int main(int argc, char *argv[])
{
    if (argc != 4) {
        fprintf(stderr, "usage: %s SOURCE MOUNTPOINT DELAY_MS\n", argv[0]);
        return 2;
    }
    source = argv[1];
    delayMs = strtol(argv[3], NULL, 10);
    struct fuse_args args = FUSE_ARGS_INIT(0, NULL);
    if (fuse_opt_add_arg(&args, argv[0]) != 0)
        return 1;
    struct fuse *fs = fuse_new(&args, &operations, sizeof operations, NULL);
    if (!fs)
        return 1;
    if (fuse_mount(fs, argv[2]) != 0) {
        fuse_destroy(fs);
        return 1;
    }
    struct fuse_session *session = fuse_get_session(fs);
    fuse_set_signal_handlers(session);
    printf("mounted\n");
    fflush(stdout);
    const int rc = fuse_loop(fs);
    fuse_remove_signal_handlers(session);
    fuse_unmount(fs);
    fuse_destroy(fs);
    fuse_opt_free_args(&args);
    return rc == 0 ? 0 : 1;
}
