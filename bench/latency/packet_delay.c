/* packet_delay QUEUE ONE_WAY_MS: every packet netfilter hands to queue QUEUE
 * is held ONE_WAY_MS milliseconds and then let through, in arrival order.
 * Nothing is dropped, reordered or rate-limited: a fixed one-way delay, as a
 * long path gives, so TCP's handshake, slow start and windows all see it.
 *
 * Only packet ids come to user space (metadata copy mode, GSO packets
 * whole), and verdicts go back in batches, so the per-packet cost stays far
 * below what the delay adds. Prints "ready" once bound; on SIGTERM or
 * SIGINT lets everything held through at once and ends. */
#define _GNU_SOURCE
#include <arpa/inet.h>
#include <errno.h>
#include <libnetfilter_queue/libnetfilter_queue.h>
#include <linux/netfilter.h>
#include <poll.h>
#include <signal.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

enum { kHeld = 1 << 20 }; /* above any kernel queue length we set */

struct held {
    uint32_t id;
    uint64_t release_ns;
};

static struct held held[kHeld];
static unsigned first, end; /* held packets: [first, end) modulo kHeld */
static uint64_t delay_ns;
static volatile sig_atomic_t stopping;

static uint64_t monotonic_ns(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (uint64_t)t.tv_sec * 1000000000u + (uint64_t)t.tv_nsec;
}

static int hold_packet(struct nfq_q_handle *queue, struct nfgenmsg *msg, struct nfq_data *data,
                       void *unused)
{
    (void)msg;
    (void)unused;
    struct nfqnl_msg_packet_hdr *header = nfq_get_msg_packet_hdr(data);
    if (!header)
        return 0;
    uint32_t id = ntohl(header->packet_id);
    if (end - first >= kHeld) /* cannot be reached below the queue length */
        return nfq_set_verdict(queue, id, NF_ACCEPT, 0, NULL);
    held[end % kHeld] = (struct held){id, monotonic_ns() + delay_ns};
    end++;
    return 0;
}

/* Lets through every packet whose time came: one verdict covers all ids up
 * to the last, which arrived last. */
static void release_due(struct nfq_q_handle *queue, uint64_t now)
{
    uint32_t last = 0;
    int any = 0;
    for (; first != end && held[first % kHeld].release_ns <= now; first++) {
        last = held[first % kHeld].id;
        any = 1;
    }
    if (any)
        nfq_set_verdict_batch(queue, last, NF_ACCEPT);
}

static void on_stop(int signal_number)
{
    (void)signal_number;
    stopping = 1;
}

static struct timespec wait_until_next(uint64_t now)
{
    uint64_t wait = 1000000000u;
    if (first != end)
        wait = held[first % kHeld].release_ns > now ? held[first % kHeld].release_ns - now : 0;
    return (struct timespec){(time_t)(wait / 1000000000u), (long)(wait % 1000000000u)};
}

static int drain(struct nfq_handle *handle, int fd)
{
    static char buffer[1 << 16] __attribute__((aligned));
    for (int k = 0; k < 4096; k++) {
        ssize_t n = recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n >= 0) {
            nfq_handle_packet(handle, buffer, (int)n);
            continue;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
            return 0;
        if (errno == ENOBUFS) {
            fprintf(stderr, "packet_delay: queue messages lost\n");
            continue;
        }
        perror("recv");
        return -1;
    }
    return 0;
}

int main(int argc, char **argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: packet_delay QUEUE ONE_WAY_MS\n");
        return 2;
    }
    delay_ns = (uint64_t)(atof(argv[2]) * 1e6);
    struct sigaction action;
    memset(&action, 0, sizeof action);
    action.sa_handler = on_stop;
    sigaction(SIGTERM, &action, NULL);
    sigaction(SIGINT, &action, NULL);

    struct nfq_handle *handle = nfq_open();
    struct nfq_q_handle *queue =
        handle ? nfq_create_queue(handle, (uint16_t)atoi(argv[1]), hold_packet, NULL) : NULL;
    if (!queue || nfq_set_mode(queue, NFQNL_COPY_META, 0) < 0) {
        perror("packet_delay: netfilter queue");
        return 1;
    }
    nfq_set_queue_maxlen(queue, 200000);
    /* Whole GSO packets; no fail-open, which would let packets overtake. */
    nfq_set_queue_flags(queue, NFQA_CFG_F_GSO, NFQA_CFG_F_GSO);
    int fd = nfq_fd(handle);
    nfnl_rcvbufsiz(nfq_nfnlh(handle), 64u << 20);
    int one = 1;
    setsockopt(fd, SOL_NETLINK, NETLINK_NO_ENOBUFS, &one, sizeof one);
    printf("ready\n");
    fflush(stdout);

    while (!stopping) {
        uint64_t now = monotonic_ns();
        release_due(queue, now);
        struct timespec timeout = wait_until_next(now);
        struct pollfd readable = {fd, POLLIN, 0};
        int ready = ppoll(&readable, 1, &timeout, NULL);
        if (ready < 0 && errno != EINTR) {
            perror("ppoll");
            break;
        }
        if (ready > 0 && drain(handle, fd) < 0)
            break;
    }
    release_due(queue, UINT64_MAX);
    nfq_destroy_queue(queue);
    nfq_close(handle);
    return 0;
}
