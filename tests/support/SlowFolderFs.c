/* A folder served slowly: a read-only FUSE file system showing a source folder as it is, waiting
 * DELAY_MS in every call (listing, look-up, open, read) as a slow share does. Prints "mounted"
 * once mounted; unmounts on SIGTERM.   tovrel-test-slowfs SOURCE MOUNTPOINT DELAY_MS */
#define FUSE_USE_VERSION 31
#include <fuse.h>

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

static const char *source;
static long delayMs;

/* The real path of `path` after the deliberate delay of every call. */
static const char *slowly(const char *path, char *out)
{
    struct timespec t = {delayMs / 1000, (delayMs % 1000) * 1000000L};
    while (nanosleep(&t, &t) != 0 && errno == EINTR) {
    }
    snprintf(out, PATH_MAX, "%s%s", source, path);
    return out;
}

static void *slowInit(struct fuse_conn_info *conn, struct fuse_config *cfg)
{
    (void)conn; /* the kernel keeps nothing: every look goes through the delay */
    cfg->attr_timeout = cfg->entry_timeout = cfg->negative_timeout = 0;
    cfg->direct_io = 1;
    return NULL;
}

static int slowGetattr(const char *path, struct stat *st, struct fuse_file_info *fi)
{
    char p[PATH_MAX];
    (void)fi;
    return lstat(slowly(path, p), st) == 0 ? 0 : -errno;
}

static int slowReaddir(const char *path, void *buf, fuse_fill_dir_t fill, off_t offset,
                       struct fuse_file_info *fi, enum fuse_readdir_flags flags)
{
    char p[PATH_MAX];
    DIR *dir = opendir(slowly(path, p));
    (void)offset, (void)fi, (void)flags;
    if (!dir)
        return -errno;
    for (struct dirent *e; (e = readdir(dir)) != NULL;) {
        struct stat st;
        memset(&st, 0, sizeof st);
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
    const int fd = open(slowly(path, p), O_RDONLY);
    if (fd < 0)
        return -errno;
    fi->fh = (uint64_t)fd;
    return (fi->flags & O_ACCMODE) == O_RDONLY ? 0 : (close(fd), -EROFS);
}

static int slowRead(const char *path, char *buf, size_t size, off_t at, struct fuse_file_info *fi)
{
    char p[PATH_MAX];
    const ssize_t got = pread((int)fi->fh, buf, size, (slowly(path, p), at));
    return got < 0 ? -errno : (int)got;
}

static int slowRelease(const char *path, struct fuse_file_info *fi)
{
    (void)path;
    return close((int)fi->fh);
}

static const struct fuse_operations operations = {.getattr = slowGetattr,
                                                  .open = slowOpen,
                                                  .read = slowRead,
                                                  .release = slowRelease,
                                                  .readdir = slowReaddir,
                                                  .init = slowInit};

int main(int argc, char *argv[])
{
    struct fuse_args args = FUSE_ARGS_INIT(0, NULL);
    if (argc != 4 || fuse_opt_add_arg(&args, argv[0]) != 0)
        return 2;
    source = argv[1];
    delayMs = strtol(argv[3], NULL, 10);
    struct fuse *fs = fuse_new(&args, &operations, sizeof operations, NULL);
    if (!fs || fuse_mount(fs, argv[2]) != 0)
        return 1;
    fuse_set_signal_handlers(fuse_get_session(fs));
    printf("mounted\n");
    fflush(stdout);
    const int rc = fuse_loop(fs);
    fuse_remove_signal_handlers(fuse_get_session(fs));
    fuse_unmount(fs);
    fuse_destroy(fs);
    return rc == 0 ? 0 : 1;
}
