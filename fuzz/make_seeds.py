#!/usr/bin/env python3
"""Writes the seed corpora under fuzz/corpus/. The seeds are committed; run this again only
to change them. Input layouts are described at the top of each fuzz_*.cpp."""

import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
SEP = b"\\\n"  # ends a text: a backslash and any byte other than a backslash


def write(fuzzer, name, data):
    folder = os.path.join(HERE, "corpus", fuzzer)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def text(b):
    return b.replace(b"\\", b"\\\\") + SEP


# --- AGW frames -------------------------------------------------------------------------

def call_field(call):
    return call[:10].ljust(10, b"\0")


def agw(kind, data=b"", port=0, pid=0, call_from=b"", call_to=b"", length=None):
    header = bytes([port, 0, 0, 0, ord(kind), 0, pid, 0])
    header += call_field(call_from) + call_field(call_to)
    header += struct.pack("<I", len(data) if length is None else length) + b"\0\0\0\0"
    assert len(header) == 36
    return header + data


MONITOR_UI = (b" 1:Fm N0XX To BEACON <UI pid=F0 Len=21 >[09:15:02]\r"
              b"N0XX packet station\r\0")
DX_UI = (b" 1:Fm N0DX To DX <UI pid=F0 Len=70 >[09:15:40]\r"
         b"DX de N0DX:     14025.0  N0ZZ         CW 599                 0915Z\r\0")


def agw_seeds():
    f = "fuzz_agw_decoder"
    # First byte: 0 offers the whole stream at once, n gives chunks of 1 .. 4n bytes.
    write(f, "monitored_U", b"\0" + agw("U", MONITOR_UI, pid=0xF0, call_from=b"N0XX",
                                         call_to=b"BEACON"))
    write(f, "connect_C", b"\x01" + agw("C", b"*** CONNECTED With Station N0BBB\r\0",
                                        call_from=b"N0BBB", call_to=b"N0ME"))
    write(f, "data_D", b"\x07" + agw("D", b"Hello from N0BBB\r<PRHindex>\r", pid=0xF0,
                                     call_from=b"N0BBB", call_to=b"N0ME"))
    write(f, "disconnect_d", b"\x03" + agw("d", b"*** DISCONNECTED From Station N0BBB\r\0",
                                           call_from=b"N0BBB", call_to=b"N0ME"))
    write(f, "session", b"\x02" + agw("X", b"\x01", call_from=b"N0ME")
          + agw("U", DX_UI, pid=0xF0, call_from=b"N0DX", call_to=b"DX")
          + agw("T", b" 1:Fm N0ME To N0BBB <I R0 S1 pid=F0 Len=3 >\rhi\r\0", call_from=b"N0ME",
                call_to=b"N0BBB", port=1)
          + agw("S", b" 1:Fm N0BBB To N0ME <RR R1 >\r\0", call_from=b"N0BBB", call_to=b"N0ME"))
    # A header announcing 2^31 bytes after a good frame: out of step for good.
    write(f, "length_2p31", b"\x05" + agw("U", MONITOR_UI, call_from=b"N0XX", call_to=b"ID")
          + agw("D", b"", call_from=b"N0BBB", length=1 << 31) + agw("D", b"lost\r"))
    write(f, "length_max", b"\x00" + agw("D", b"", length=0xFFFFFFFF))
    # Calls of the full ten characters carry no NUL; bytes after a NUL are not part of it.
    write(f, "full_calls", b"\x04" + agw("D", b"x", call_from=b"N0CALL-15X",
                                         call_to=b"N0BBB\0junk"))
    write(f, "truncated", b"\x09" + agw("U", MONITOR_UI, call_from=b"N0XX")[:60])
    # The largest frame the decoder takes, then one byte too many in the next header.
    write(f, "largest", b"\xff" + agw("D", b"\0" * 65536, call_from=b"N0BIG")
          + agw("D", b"", length=65537))


def agw_link_seeds():
    f = "fuzz_agw_link"
    # First byte: the link's queue limit (0 the default, else the byte mod 16, at least 1);
    # then what the engine sends after its answer to the registration.
    write(f, "monitored", b"\0" + agw("U", MONITOR_UI, pid=0xF0, call_from=b"N0XX",
                                       call_to=b"BEACON")
          + agw("U", DX_UI, pid=0xF0, call_from=b"N0DX", call_to=b"DX"))
    write(f, "session", b"\0" + agw("C", b"*** CONNECTED With Station N0BBB\r\0",
                                     call_from=b"N0BBB", call_to=b"N0ME")
          + agw("D", b"Hello\r", pid=0xF0, call_from=b"N0BBB", call_to=b"N0ME")
          + agw("d", b"*** DISCONNECTED From Station N0BBB\r\0", call_from=b"N0BBB",
                call_to=b"N0ME"))
    # Our own link seen on the monitor: I and S frames to us, T frames without <UI.
    write(f, "own_link", b"\0"
          + agw("I", b" 1:Fm N0BBB To N0ME <I R0 S0 pid=F0 Len=3 >\rhi\r\0",
                call_from=b"N0BBB", call_to=b"n0me")
          + agw("S", b" 1:Fm N0BBB To N0ME <RR R1 >\r\0", call_from=b"N0BBB", call_to=b"N0ME")
          + agw("T", b" 1:Fm N0ME To N0BBB <I R0 S1 pid=F0 Len=3 >\rhi\r\0", call_from=b"N0ME",
                call_to=b"N0BBB")
          + agw("T", b" 1:Fm N0ME To ID <UI pid=F0 Len=4 >\rN0ME\r\0", call_from=b"N0ME",
                call_to=b"ID")
          + agw("K", b"\xc0\x00raw\xc0", call_from=b"N0XX"))
    # A queue of two: monitored frames give way, connected data waits in the socket.
    write(f, "queue_full", b"\x02"
          + b"".join(agw("U", b"mon %d\r\0" % i, call_from=b"N0XX") for i in range(6))
          + b"".join(agw("D", b"data %d\r" % i, call_from=b"N0BBB") for i in range(4))
          + agw("U", b"last\r\0", call_from=b"N0XX"))
    write(f, "out_of_step", b"\0" + agw("U", MONITOR_UI, call_from=b"N0XX")
          + agw("D", b"", call_from=b"N0BBB", length=1 << 31) + agw("D", b"lost\r"))


# --- Packet Radio HTML tags -------------------------------------------------------------

def prh_seeds():
    f = "fuzz_prh_tags"
    for name, data in [
        ("page", b"Welcome to N0PRH\r<PRHindex>\r"),
        ("page_lower", b"see <prhHome> for more"),
        ("command", b"<PRHCMD:C N0BBB>"),
        ("command_encoded", b"%3CPRHCMD%3AC%20N0BBB%3E"),
        ("command_in_url", b"file:///home/op/packet/Channel0.htm%3cPRHCMDShowConnectList%3e"),
        ("traversal", b"<PRH../../etc/passwd>"),
        ("unclosed", b"<PRHCMD:U hello"),
        ("latin1", b"<PRH\xe9t\xe9>"),
        ("plain", b"Channel0.htm"),
    ]:
        write(f, name, data)


# --- Settings file ----------------------------------------------------------------------

def settings_seeds():
    f = "fuzz_settings_file"
    for name, data in [
        ("default", b" 1 \r\nN0ME packet station.  Please connect and say hi!\r\n 0 \r\n\r\n"),
        ("weather", b" 0 \r\n\"N0ME, the station on the hill\"\r\n 1 \r\n/home/op/wx/wxnow.txt\r\n"),
        ("one_line", b"1,\"hello, world\",1,\"C:\\WX\\data.txt\"\r\n"),
        ("short", b" 1 \r\n"),
        ("bad_flag", b"yes\r\nbeacon\r\n"),
        ("number_forms", b"1e0\r\n  beacon\t\r\n2.5\r\n\"path\"trailing\r\n"),
        ("unclosed_quote", b" 1 \r\n\"beacon text\r\n 0 \r\n"),
    ]:
        write(f, name, data)


# --- Connect list -----------------------------------------------------------------------

def connect_seeds():
    f = "fuzz_connect_list"
    # A call to add, then the file.
    for name, data in [
        ("add_new", text(b"N0NEW") + b"\"N0BBB\"\r\n\"N0CCC\"\r\n"),
        ("add_known", text(b"n0bbb") + b"\"N0BBB\"\r\n"),
        ("empty_file", text(b"N0NEW")),
        ("unterminated", text(b"N0NEW") + b"\"N0BBB\"\r\n\"N0CC"),
        ("mixed", text(b"N0E") + b"N0A, N0B ,\"N0 C\"\r\nN0D\n\rN0E-1\r"),
    ]:
        write(f, name, data)


# --- Weather file -----------------------------------------------------------------------

# --- Heard list -------------------------------------------------------------------------

def heard_seeds():
    f = "fuzz_heard_file"
    line = b"N0AAA\t2027-01-15T08:00:00.000Z\t3\t0\tAPRS\tWIDE1-1,WIDE2-1\r\n"
    for name, data in [
        ("two", line + b"N0BBB-7\t2027-01-15T07:59:58Z\t1\t1\tID\t\n"),
        ("offset_time", b"n0ccc\t2027-01-15T08:00:00+05:00\t12\t2\tBEACON\t\r\n"),
        ("twice", line + line),
        ("empty", b""),
    ]:
        write(f, name, data)


def weather_line(date, time=b"09:15"):
    fields = [b"WS2300", b"1", b"2", b"3", b"4", date, time, b"Clear", b"8", b"9", b"45.2",
              b"0.1", b"12", b"13", b"14", b"15", b"5.2", b"12.0", b"18", b"19", b"20", b"NW",
              b"22", b"30.01", b"-0.02"]
    assert len(fields) == 25
    return b"|".join(fields) + b"\r\n"


def weather_seeds():
    f = "fuzz_weather_file"
    # FixedClock's day is 5 December 2026.
    write(f, "us_date", weather_line(b"12/5/2026"))
    write(f, "iso_date", weather_line(b"2026-12-05"))
    write(f, "dotted_date_time", weather_line(b"5.12.2026 09:15:00"))
    write(f, "long_date", weather_line(b"Saturday, December 5, 2026 9:15 AM"))
    write(f, "two_digit_year", weather_line(b"12/5/26 9:15:00 PM"))
    write(f, "iso_t", weather_line(b"2026-12-05T09:15"))
    write(f, "stale", weather_line(b"11/30/2026"))
    write(f, "short", b"WS2300|1|2|3|4")
    write(f, "extra_fields", weather_line(b"12/5/2026").rstrip() + b"|25|26|27\r\n")


# --- DX/WX capture ----------------------------------------------------------------------

def dxwx_seeds():
    f = "fuzz_dxwx"
    dx = b" 1:Fm N0DX To DX <UI pid=F0 Len=70 >[09:15:40]\rDX de N0DX:     14025.0  N0ZZ  CW\r"
    wx = (b" 1:Fm N0WX To WX <UI pid=F0 Len=80 >\r"
          b"WX N0WX|Tmp 45.2|3hr 0.1|Wnd 5.2|Max 12.0|Dir NW|Bar 30.01|3hr -0.02|Clear\r")
    # First byte: extra passes over the frames; then the frames' data.
    write(f, "dx_wx", b"\0" + text(dx) + text(wx) + text(dx))
    write(f, "line_feeds", b"\x01" + text(b" 1:Fm N0DX To DX\r\nDX de N0DX: 7025.0 N0QQ\r\n\r\n"))
    write(f, "lower_case", b"\x02" + text(b"hdr\rdx de n0dx: 3525.0 N0AA\r") + text(b"hdr\rwx n0wx ok\r"))
    write(f, "plain", b"\x03" + text(b" 1:Fm N0XX To BEACON <UI>\rN0XX packet station\r"))
    write(f, "no_header", b"\0" + text(b"DX de N0DX:  1840.0 N0BB   \r   "))
    write(f, "big", b"\x03" + text(b"hdr\rDX " + b"\r" * 3000))


# --- Send line --------------------------------------------------------------------------

def send_line_seeds():
    f = "fuzz_send_line"
    # Flags; seven captions and the selected call ('0' Open, '1' N0BBB, '2' N0CCC, '3' a text
    # follows); the last speaker ('0' nobody, '1' us, '2' N0BBB); the answer to questions;
    # then actions: '0' Enter, '1' typed, '2' keep-alive, '3' link clicked, each with its text.
    head = b"0" + b"1200000" + b"1" + b"2" + text(b"CQ")

    def act(a, line):
        return a + text(line)

    write(f, "commands", head + act(b"0", b":C N0CALL") + act(b"0", b":U hi") + act(b"0", b":")
          + act(b"0", b":D") + act(b"0", b":c  n0call  ") + act(b"0", b":X whatever"))
    write(f, "plain_text", head + act(b"0", b"hello there") + act(b"0", b"")
          + act(b"2", b"") + act(b"0", b"again"))
    write(f, "conference", b"1" + b"1200000" + b"1" + b"0" + text(b"CQ")
          + act(b"0", b"hello all") + act(b"1", b"a line typed one key at a time that runs past "
                                             b"the wrap column of seventy characters and more"))
    write(f, "links", head + act(b"3", b"%3CPRHCMD%3AC%20N0NEW%3E")
          + act(b"3", b"<PRHCMDShowConnectList>") + act(b"3", b"<PRHCMD:U hi")
          + act(b"3", b"file:///tmp/Channel0.htm"))
    write(f, "engine_lost", b"2" + b"1000000" + b"1" + b"1" + text(b"") + act(b"0", b":C N0X")
          + act(b"1", b"x" * 75 + b" "))
    write(f, "all_busy", b"0" + b"3N0A" + SEP + b"3N0B" + SEP + b"3N0C" + SEP + b"3N0D" + SEP
          + b"3N0E" + SEP + b"3N0F" + SEP + b"3N0G" + SEP + b"3N0A" + SEP + b"1" + text(b"BEACON")
          + act(b"0", b":C N0NEW") + act(b"0", b":U \xc3\xa9t\xc3\xa9"))


# --- Poll tick --------------------------------------------------------------------------

# Flags a: 1 conference, 2 clear page on <HTML>, 4 move to front, 8 monitor window shown,
# 16 beacon due, 32 weather on, 64 beacon on, 128 minimized. Flags b: pages shown in the
# browser for channels 0-6 (bits 0-6), 128 keep-alive due.
# Frame options: 1 no NUL after the sender, 2 wrong length (8: negative), 4 tick after this
# frame, 16 sender is the station with a content folder (N0PRH), bits 5-7 the radio port.
END = 4
PRH = 16


def frame(kind, sender, data, options=0):
    return kind + bytes([options]) + text(sender) + text(data)


def poll_tick_seeds():
    f = "fuzz_poll_tick"

    def head(a, b=0, captions=b"0000000", current=0, weather=b""):
        return bytes([a, b]) + captions + bytes([current]) + text(weather)

    write(f, "monitored", head(2 | 4) + frame(b"U", b"N0DX", DX_UI[:-1])
          + frame(b"U", b"N0WX", b" 1:Fm N0WX To WX <UI>\rWX N0WX|Tmp 45.2|Clear\r", END)
          + frame(b"I", b"N0XX", b" 1:Fm N0XX To N0YY <I R0 S0>\rhello\r")
          + frame(b"T", b"N0ME", b" 1:Fm N0ME To N0XX <UI>\rtest\r"))
    write(f, "session", head(2, 1)
          + frame(b"c", b"N0BBB", b"*** CONNECTED With Station N0BBB\r", END)
          + frame(b"D", b"N0BBB", b"Hello\rhow are you?\r")
          + frame(b"D", b"N0BBB", b"<HTML><BODY>page</BODY></HTML>\r", END)
          + frame(b"D", b"N0BBB", b"more text\r")
          + frame(b"d", b"N0BBB", b"*** DISCONNECTED From Station N0BBB\r", END))
    write(f, "prh_pages", head(2, 0x7f)
          + frame(b"c", b"", b"*** CONNECTED With Station N0PRH\r", PRH | END)
          + frame(b"D", b"", b"<PRHindex>", PRH)
          + frame(b"D", b"", b"<PRHout>", PRH)
          + frame(b"D", b"", b"<PRH../Channel0>", PRH)
          + frame(b"D", b"", b"<PRHmissing>", PRH | END)
          + frame(b"c", b"N0NEW", b"connected\r")
          + frame(b"D", b"N0NEW", b"<PRHwelcome>"))
    write(f, "beacon_weather", head(16 | 32 | 64 | 128, 128, b"1000000", 0,
                                    weather_line(b"12/5/2026"))
          + frame(b"U", b"N0XX", MONITOR_UI[:-1]))
    write(f, "conference", head(1 | 2, 0, b"1200000", 2)
          + frame(b"D", b"N0BBB", b"hello all\r") + frame(b"D", b"N0CCC", b"hi\r", END)
          + frame(b"D", b"N0CCC", b"\r"))
    many = b"".join(frame(b"U", b"N0XX", b"hdr\rDX de N0XX: %d\r" % i) for i in range(60))
    write(f, "sixty_frames", head(0) + many)
    write(f, "odd_frames", head(8)
          + frame(b"U", b"N0XXXXXXXXXXXXX", b"no end to the sender\r", 1)
          + frame(b"D", b"N0BBB", b"length -1", 2 | 8)
          + frame(b"U", b"N0XX", b"length past the data", 2)
          + frame(b"\xff", b"N0XX", b"unknown kind")
          + frame(b"c", b"", b"empty sender\r", END))
    write(f, "all_traffic_bound", head(0) + frame(b"U", b"N0XX", b"hdr\r" + b"\r" * 5200))


if __name__ == "__main__":
    agw_seeds()
    agw_link_seeds()
    prh_seeds()
    settings_seeds()
    connect_seeds()
    heard_seeds()
    weather_seeds()
    dxwx_seeds()
    send_line_seeds()
    poll_tick_seeds()
