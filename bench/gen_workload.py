#!/usr/bin/env python3
"""Generates the benchmark workload: one log file per system, each with its
own definition file, plus a 2000-definition stress file.

Deterministic (fixed seed), standard library only. Lines end in LF (or CR LF);
texts are Shift-JIS (CP932). For every definition file a literal file
beside it holds the longest literal of each definition, one per line, for
`grep -v -F -f`.

usage: gen_workload.py OUT_DIR TOTAL_MB [lf|crlf]   (line ends; lf by default)
Writes OUT_DIR/<system>.log, OUT_DIR/<system>.def, OUT_DIR/<system>.lit,
OUT_DIR/stress.def and OUT_DIR/stress.lit.
"""

import random
import sys

SEED = 20240601
POOL_LINES = 40000
MAX_DEFINITIONS = 2000


def sjis(text):
    return text.encode("cp932")


def escape(part):
    """A literal part as it stands in a definition: wild cards escaped."""
    return "".join("\\" + c if c in "*?\\" else c for c in part)


class Definition:
    """A definition built from parts: '*', '?' or literal text."""

    def __init__(self, parts, tail=""):
        self.parts = parts
        self.tail = tail

    def line(self):
        pattern = "".join(p if p in ("*", "?") else escape(p) for p in self.parts)
        return sjis(pattern + ("\\r" + self.tail if self.tail else ""))

    def longest_literal(self):
        literals = [p for p in self.parts if p not in ("*", "?")]
        return sjis(max(literals, key=lambda p: len(sjis(p))))


def stamp(rnd):
    return "2024-%02d-%02d %02d:%02d:%02d.%03d" % (
        rnd.randint(1, 12), rnd.randint(1, 28), rnd.randint(0, 23), rnd.randint(0, 59),
        rnd.randint(0, 59), rnd.randint(0, 999))


def syslog_stamp(rnd):
    month = ["Jan", "Feb", "Mar", "Apr", "May", "Jun"][rnd.randint(0, 5)]
    return "%s %2d %02d:%02d:%02d" % (month, rnd.randint(1, 28), rnd.randint(0, 23),
                                      rnd.randint(0, 59), rnd.randint(0, 59))


def ip(rnd):
    return "10.%d.%d.%d" % (rnd.randint(0, 255), rnd.randint(0, 255), rnd.randint(1, 254))


# --- systems: each gives (pool of lines or line blocks, definitions) ---------

DAEMONS = ["sshd", "CRON", "systemd", "kernel", "dhclient", "postfix/smtpd", "rsyslogd",
           "ntpd", "dbus-daemon", "snmpd", "named", "auditd", "sudo", "nginx", "dockerd"]
UNUSED_DAEMONS = ["avahi-daemon", "cupsd", "bluetoothd", "smartd", "xinetd", "vsftpd",
                  "ModemManager", "NetworkManager", "polkitd", "colord", "lvm2", "mdadm"]
SYSLOG_MESSAGES = [
    "Accepted publickey for deploy from {ip} port {n} ssh2",
    "pam_unix(cron:session): session opened for user root by (uid=0)",
    "pam_unix(cron:session): session closed for user root",
    "(root) CMD (/usr/lib/sysstat/sa1 1 1)",
    "Started Session {n} of user deploy.",
    "Connection closed by {ip} port {n} [preauth]",
    "Received disconnect from {ip} port {n}:11: disconnected by user",
    "DHCPREQUEST on eth0 to {ip} port 67",
    "DHCPACK from {ip} (xid=0x{n})",
    "connect from unknown[{ip}]",
    "disconnect from unknown[{ip}] ehlo=1 mail=1 rcpt=1 data=1 quit=1 commands=5",
    "Invalid user admin from {ip} port {n}",
    "audit: type=1400 audit({n}.123:42): apparmor=\"STATUS\" operation=\"profile_load\"",
    "eth0: Link is Up - 1Gbps/Full - flow control rx/tx",
    "time reset +0.{n} s",
    "Connection from UDP: [{ip}]:{n}->[10.0.0.1]:161",
    "client @0x7f{n} {ip}#53: query (cache) 'example.com/A/IN' denied",
    "deploy : TTY=pts/0 ; PWD=/home/deploy ; USER=root ; COMMAND=/usr/bin/systemctl restart app",
    "container {n} health_status: healthy",
    "Out of memory: Killed process {n} (java) total-vm:8000000kB",
]


def syslog_system(rnd):
    pool = []
    for _ in range(POOL_LINES):
        daemon = DAEMONS[rnd.randrange(len(DAEMONS))]
        message = SYSLOG_MESSAGES[rnd.randrange(len(SYSLOG_MESSAGES))]
        pool.append("%s host%02d %s[%d]: %s" % (
            syslog_stamp(rnd), rnd.randint(1, 12), daemon, rnd.randint(100, 99999),
            message.format(ip=ip(rnd), n=rnd.randint(1000, 65000))))
    definitions = [
        Definition(["*", "sshd[", "*", "]: Accepted publickey for deploy from ", "*"]),
        Definition(["*", "pam_unix(cron:session): session ", "*"]),
        Definition(["*", "(root) CMD (/usr/lib/sysstat/sa1", "*"]),
        Definition(["*", ": Started Session ", "*", " of user deploy.", "*"]),
        Definition(["*", "Connection closed by ", "*", " [preauth]"]),
        Definition(["*", "DHCPREQUEST on eth0", "*"]),
        Definition(["*", "DHCPACK from ", "*"]),
        Definition(["*", "health_status: healthy", "*"]),
        Definition(["*", "time reset +0.", "*"]),
        Definition(["*", "Connection from UDP: [", "*"]),
        Definition(["*", "Out of memory: Killed process ", "*"], "*** OOM KILL ***"),
        Definition(["*", "Invalid user ", "*", " from ", "*"], "invalid user login attempt"),
    ]
    for daemon in UNUSED_DAEMONS:
        for word in ["started", "stopped", "reloading configuration", "warning: ", "error: ",
                     "link down", "timeout waiting for", "restarting"]:
            definitions.append(Definition(["*", " %s[" % daemon, "*", "]: %s" % word, "*"]))
    return pool, definitions


PATHS = ["/", "/index.html", "/api/v1/items", "/api/v1/users/{n}", "/static/app.js",
         "/static/app.css", "/health", "/metrics", "/login", "/favicon.ico",
         "/images/logo.png", "/search?q=term{n}"]
AGENTS = ["Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 Chrome/120.0 Safari/537.36",
          "Mozilla/5.0 (X11; Linux x86_64; rv:121.0) Gecko/20100101 Firefox/121.0",
          "kube-probe/1.28", "Prometheus/2.48.0", "curl/8.4.0", "Googlebot/2.1"]


def web_system(rnd):
    pool = []
    for _ in range(POOL_LINES):
        path = PATHS[rnd.randrange(len(PATHS))].format(n=rnd.randint(1, 99999))
        status = rnd.choice([200, 200, 200, 200, 304, 404, 500, 302])
        pool.append('%s - - [%02d/Jan/2024:%02d:%02d:%02d +0900] "%s %s HTTP/1.1" %d %d "-" "%s"' % (
            ip(rnd), rnd.randint(1, 28), rnd.randint(0, 23), rnd.randint(0, 59),
            rnd.randint(0, 59), rnd.choice(["GET", "GET", "GET", "POST"]), path, status,
            rnd.randint(100, 50000), AGENTS[rnd.randrange(len(AGENTS))]))
    definitions = [
        Definition(["*", '"GET /health HTTP/1.1" 200 ', "*"]),
        Definition(["*", '"GET /metrics HTTP/1.1" ', "*"]),
        Definition(["*", "kube-probe/", "*"]),
        Definition(["*", '"GET /static/', "*", " 304 ", "*"]),
        Definition(["*", '"GET /favicon.ico', "*"]),
        Definition(["*", "Googlebot/2.1", "*"], "(crawler request)"),
        Definition(["*", '"GET /images/', "*", '" 200 ', "*"]),
    ]
    for i in range(73):
        definitions.append(Definition(["*", '"GET /old/page%03d.html HTTP/1.1" ' % i, "*"]))
    return pool, definitions


LEVELS = ["DEBUG", "DEBUG", "DEBUG", "INFO", "INFO", "INFO", "WARN", "ERROR", "TRACE"]
CLASSES = ["com.example.order.OrderService", "com.example.order.PaymentClient",
           "com.example.web.RequestLogger", "com.example.cache.CacheManager",
           "org.hibernate.SQL", "org.springframework.web.servlet.DispatcherServlet",
           "com.zaxxer.hikari.pool.HikariPool", "com.example.batch.JobRunner"]
APP_MESSAGES = ["Processing order id={n}", "Cache hit for key=user:{n}",
                "select o1_0.id,o1_0.status from orders o1_0 where o1_0.id=?",
                "Completed 200 OK in {n}ms", "HikariPool-1 - Pool stats (total=10, active=2)",
                "Job step {n} finished", "Payment accepted: txn={n}", "Retrying request {n}"]


def app_system(rnd):
    pool = []
    for _ in range(POOL_LINES):
        pool.append("%s [worker-%d] %-5s %s - %s" % (
            stamp(rnd), rnd.randint(1, 16), LEVELS[rnd.randrange(len(LEVELS))],
            CLASSES[rnd.randrange(len(CLASSES))],
            APP_MESSAGES[rnd.randrange(len(APP_MESSAGES))].format(n=rnd.randint(1, 99999))))
        if rnd.randrange(40) == 0:
            pool[-1] += "   "  # trailing blanks that Trim cuts
        if rnd.randrange(60) == 0:
            pool.append("")
    definitions = [
        Definition(["*", "] DEBUG ", "*"]),
        Definition(["*", "] TRACE ", "*"]),
        Definition(["*", "Cache hit for key=", "*"]),
        Definition(["*", "HikariPool-1 - Pool stats", "*"]),
        Definition(["*", "org.hibernate.SQL - select ", "*"]),
        Definition(["*", "Completed 200 OK in ", "*", "ms"]),
        Definition(["*", "Retrying request ", "*"], "(retry)"),
    ]
    for i in range(190):
        definitions.append(Definition(["*", "] ", "?" * 4, " com.example.legacy.Module%03d - " % i, "*"]))
    return pool, definitions


EXCEPTIONS = ["java.lang.NullPointerException", "java.io.IOException: Connection reset by peer",
              "java.util.concurrent.TimeoutException", "java.sql.SQLTransientConnectionException"]
FRAMES = ["com.example.order.OrderService.place(OrderService.java:{n})",
          "com.example.order.OrderController.post(OrderController.java:{n})",
          "org.springframework.web.servlet.FrameworkServlet.service(FrameworkServlet.java:{n})",
          "org.apache.catalina.core.ApplicationFilterChain.doFilter(ApplicationFilterChain.java:{n})",
          "org.apache.tomcat.util.net.NioEndpoint$SocketProcessor.doRun(NioEndpoint.java:{n})",
          "java.base/java.lang.Thread.run(Thread.java:{n})",
          "jdk.internal.reflect.GeneratedMethodAccessor{n}.invoke(Unknown Source)"]


def java_system(rnd):
    pool = []
    for _ in range(POOL_LINES // 10):
        block = ["%s [http-nio-8080-exec-%d] ERROR com.example.web.ErrorHandler - Request failed" % (
            stamp(rnd), rnd.randint(1, 200))]
        block.append(EXCEPTIONS[rnd.randrange(len(EXCEPTIONS))])
        for _ in range(rnd.randint(4, 20)):
            block.append("\tat " + FRAMES[rnd.randrange(len(FRAMES))].format(n=rnd.randint(10, 999)))
        if rnd.randrange(3) == 0:
            block.append("Caused by: " + EXCEPTIONS[rnd.randrange(len(EXCEPTIONS))])
            block.append("\t... %d more" % rnd.randint(5, 60))
        pool.append("\n".join(block))
    definitions = [
        Definition(["\tat org.apache.catalina.", "*"]),
        Definition(["\tat org.apache.tomcat.", "*"]),
        Definition(["\tat org.springframework.", "*"]),
        Definition(["\tat jdk.internal.reflect.", "*"]),
        Definition(["\tat java.base/", "*"]),
        Definition(["\t... ", "*", " more"], "\t..."),
    ]
    for i in range(54):
        definitions.append(Definition(["\tat com.example.generated.Proxy%02d" % i, "*"]))
    return pool, definitions


JP_MESSAGES = ["処理を開始しました ユーザー=user{n}", "処理が正常に終了しました 件数={n}",
               "定期バックアップを実行しました", "接続を確立しました 表示サーバー{n}",
               "警告: 応答が遅延しています ({n}ミリ秒)", "エラー: ファイルが見つかりません data{n}.csv",
               "設定ファイルを読み込みました", "ログインしました 端末={n}"]


def japanese_system(rnd):
    pool = []
    for _ in range(POOL_LINES):
        level = rnd.choice(["情報", "情報", "情報", "警告", "エラー", "デバッグ"])
        pool.append("%s [%s] %s" % (stamp(rnd).replace("-", "/"), level,
                                    JP_MESSAGES[rnd.randrange(len(JP_MESSAGES))].format(
                                        n=rnd.randint(1, 9999))))
    definitions = [
        Definition(["*", "[デバッグ] ", "*"]),
        Definition(["*", "定期バックアップを実行しました"]),
        Definition(["*", "設定ファイルを読み込みました", "*"]),
        Definition(["*", "処理を開始しました ", "*"]),
        Definition(["*", "接続を確立しました 表示", "*"], "接続"),
    ]
    for i in range(45):
        definitions.append(Definition(["*", "[情報] 旧処理%02dを実行しました" % i, "*"]))
    return pool, definitions


SYSTEMS = [("syslog", syslog_system), ("access", web_system), ("app", app_system),
           ("java", java_system), ("japanese", japanese_system)]


def never_matching(rnd, count):
    """Realistic definitions that no generated line matches."""
    services = ["billing", "inventory", "gateway", "reports", "mailer", "scheduler",
                "auth", "search", "export", "importer"]
    words = ["failed to connect to", "slow query detected in", "retry budget exhausted for",
             "certificate expires soon for", "queue depth exceeded on", "shutting down",
             "heartbeat missed from", "disk usage above threshold on"]
    result = []
    for i in range(count):
        service = services[rnd.randrange(len(services))]
        word = words[rnd.randrange(len(words))]
        kind = rnd.randrange(4)
        if kind == 0:
            result.append(Definition(["*", "%s[" % service, "*", "]: %s node%04d" % (word, i), "*"]))
        elif kind == 1:
            result.append(Definition(["*", " WARN  com.example.%s.Worker%04d - " % (service, i), "*"]))
        elif kind == 2:
            result.append(Definition(["*", '"POST /%s/v%d/job%04d' % (service, rnd.randint(1, 3), i), "*"]))
        else:
            result.append(Definition(["*", "[警告] %sサービス%04dが応答しません" % (service, i), "*"]))
    return result


def write_definitions(path_stem, definitions, eol):
    with open(path_stem + ".def", "wb") as f:
        f.write(b"".join(d.line() + eol for d in definitions))
    with open(path_stem + ".lit", "wb") as f:
        f.write(b"".join(d.longest_literal() + b"\n" for d in definitions))


def write_log(path, pool, target_bytes, rnd, eol):
    # An entry of several lines (a stack trace) holds "\n" between them.
    encoded = [sjis(entry).replace(b"\n", eol) + eol for entry in pool]
    written = 0
    with open(path, "wb") as f:
        while written < target_bytes:
            chunk = b"".join(rnd.choices(encoded, k=4096))
            f.write(chunk)
            written += len(chunk)


def main():
    out_dir, total_mb = sys.argv[1], float(sys.argv[2])
    # LF, as Linux programs and editors write text, unless "crlf" is asked for.
    eol = b"\r\n" if len(sys.argv) > 3 and sys.argv[3] == "crlf" else b"\n"
    rnd = random.Random(SEED)
    per_system = int(total_mb * 1024 * 1024 / len(SYSTEMS))
    own = []
    for name, make in SYSTEMS:
        pool, definitions = make(rnd)
        write_log("%s/%s.log" % (out_dir, name), pool, per_system, rnd, eol)
        write_definitions("%s/%s" % (out_dir, name), definitions, eol)
        own.extend(definitions)
    stress = own + never_matching(rnd, MAX_DEFINITIONS - len(own))
    # Users add definitions over the years: the matching ones end up spread
    # among the rest. The order is shuffled once, deterministically.
    rnd.shuffle(stress)
    write_definitions("%s/stress" % out_dir, stress, eol)


if __name__ == "__main__":
    main()
