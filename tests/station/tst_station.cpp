// Whole exchanges through the station: frames from the engine and the operator's keys in,
// everything observable out (see Transcript.h); and what it says to a screen reader, without a bus.

#include "Transcript.h"

#include <QtTest>

namespace {
struct Said : AnnouncementOutput {
    bool listening() const override { return true; }
    void announce(const QString& text) override { texts << text; }
    QStringList texts;
};
} // namespace

class StationTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { useScratchConfigHomeInEnglish(); }

    void transcripts_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, const char* script, const char* expected) {
            QTest::newRow(name) << QString::fromLatin1(script) << QString::fromLatin1(expected);
        };
        // Start-up and registration.
        row("a general call sign is used as it is and not stored", R"(general n0bbb; boot)",
            R"(registered: n0bbb closes=0)");
        row("an asked call sign is upper case and registers at once", R"(answer \sn0ccc\s; boot)",
            R"(registered: N0CCC,N0CCC closes=1
stored call: N0CCC
asked: Please enter your call sign. [])");
        // Monitored traffic, routing and the tick.
        row("monitored frames: strip, DX capture and line ends",
            R"(show strip dx data; start; rx U N0XX \s1:Fm N0XX To DX <UI>\rDX de N0XX 14025\r; rx U N0XX abc; rx U N0XX abcd; rx U N0XX ab\r; rx U N0XX ab\nyz; rx U N0XX ab\r\nx; tick 6)",
            R"(strip:  1:Fm N0XX To DX <UI>\r\nDX de N0XX 14025\r\n\r\nabcabcd\r\nab\r\n\r\nab\r\nyzab\r\n\r\nx\r\n
dx: DX de N0XX 14025\r\n
data: DX de N0XX 14025\r\nabcabcdyzx)");
        row("the monitor shows each frame of a helping, and an empty poll of the timer's",
            R"(show monitor; monitor; start; tick; rx U N0XX hi\r; rx U N0YY yo\r; tick)",
            R"(monitor: 0 ,1 N0XX,1 N0YY)");
        row("connect takes the first free tab, page emptied first",
            R"(show tabs > page; start; assign 0 N0AAA; file Channel1.htm home page; rx c N0BBB *** CONNECTED To Station N0BBB\r; tick)",
            R"(tabs 0=N0AAA 1=N0BBB front=1 label=N0BBB selected=N0BBB speaker=N0BBB
> D N0BBB@0 Welcome to N0ME's Packet Station!\r\n
page1: *** CONNECTED To Station N0BBB\r\r\n)");
        row("connect with every tab busy: a call only remembered, a caller told of",
            R"(show tabs list notice beeps; start; assign 0 N0T0; assign 1 N0T1; assign 2 N0T2; assign 3 N0T3; assign 4 N0T4; assign 5 N0T5; assign 6 N0T6; type :c n0new; rx c N0NEW *** CONNECTED To Station N0NEW\r; rx R N0TNC *** refused\r; tick)",
            R"(tabs 0=N0T0 1=N0T1 2=N0T2 3=N0T3 4=N0T4 5=N0T5 6=N0T6 idle=1
beeps=3 restored=1 raised=1
list: "N0NEW"\r\n
notice: Not connected: all 7 channels are busy
notice: N0NEW connected, but all 7 channels are busy
notice: N0TNC called, but all 7 channels are busy: refused)");
        row("data without a channel: a channel without a welcome; a late frame or a full house: "
            "All Traffic",
            R"(show tabs > strip ch0 notice; start; rx D N0BBB still here\r; rx d N0CCC gone\r; tick 2; wait 5; rx D N0CCC late\r; tick; wait 1; rx D N0CCC later\r; assign 2 N0T2; assign 3 N0T3; assign 4 N0T4; assign 5 N0T5; assign 6 N0T6; rx D N0DDD lost?\r; tick 2)",
            R"(tabs 0=N0BBB 1=N0CCC 2=N0T2 3=N0T3 4=N0T4 5=N0T5 6=N0T6 front=1 label=N0CCC selected=N0CCC speaker=N0CCC idle=1
ch0: \r\nSaturday, December 5, 2026  9:18:31 AM\r\n*** Link with N0BBB: the packet engine had not announced it\r\nstill here\r\n
strip: gone\r\n\r\nN0CCC after its link ended: late\r\n\r\nN0DDD with no channel free: lost?\r\n\r\n
notice: N0DDD sent data, but all 7 channels are busy)");
        row("text behind marks a tab until it comes to the front",
            R"(show unseen; start; assign 2 N0BBB; assign 5 N0CCC; rx D N0BBB one; rx D N0CCC two; tick; tab 5; tab 2; rx D N0CCC three; tick)",
            R"(unseen 5)");
        row("skipped monitor frames counted once each",
            R"(show notice; start; skipped 189858; tick 2; skipped 1234567; tick)",
            R"(notice: monitor skipped 189 858 frames
notice: monitor skipped 1 234 567 frames)");
        row("keep-alive on the tick after 900",
            R"(show >; start; set selected N0BBB; tick 900; tick)", R"(> D N0BBB@0 \r
> M BEACON@0 N0ME packet station.  Please connect and say hi!\r)");
        // Conference.
        row("conference relays to all, a bare line break only to a new speaker",
            R"(show tabs > conf; start; set conf 1; assign 0 N0BBB; assign 3 N0CCC; set speaker N0ME; rx D N0BBB hi\r; rx D N0BBB hi\r; rx D N0BBB \r; rx D N0CCC \r; tick 4)",
            R"(tabs 0=N0BBB 3=N0CCC speaker=N0CCC idle=3
> D N0BBB@0 \r\nde N0BBB: hi\r\n
> D N0CCC@0 \r\nde N0BBB: hi\r\n
> D N0BBB@0 hi\r\n
> D N0CCC@0 hi\r\n
> D N0BBB@0 \r\nde N0CCC: \r\n
> D N0CCC@0 \r\nde N0CCC: \r\n
conf: \r\nde N0BBB: hi\r\nhi\r\n\r\n\r\nde N0CCC: \r\n)");
        row("welcome names the conference, the called station is not welcomed",
            R"(show tabs >\sD beeps ch0; start; set conf 1; type :c n0bbb; rx c N0BBB *** CONNECTED With Station N0BBB\r; rx c N0CCC *** CONNECTED To Station N0CCC\r; tick 2)",
            R"(tabs 0=N0BBB 1=N0CCC front=1 label=N0CCC selected=N0CCC speaker=N0CCC idle=1
beeps=2 restored=2 raised=4
> D N0BBB@0 \r\nde N0BBB: *** CONNECTED With Station N0BBB\r\n
> D N0CCC@0 Welcome to N0ME's Packet Station!\r\nYou are currently in conference with the following station(s):\r\nN0ME N0BBB N0CCC \r
> D N0BBB@0 \r\nde N0CCC: *** CONNECTED To Station N0CCC\r\n
> D N0CCC@0 \r\nde N0CCC: *** CONNECTED To Station N0CCC\r\n
ch0: \r\nSaturday, December 5, 2026  9:18:31 AM\r\n*** CONNECTED With Station N0BBB\r\n)");
        row("ticking and clearing the box announces",
            R"(show > conf line; start; assign 1 N0AAA; assign 4 N0BBB; set selected N0BBB; edit half typed; conf 1; conf 0)",
            R"(> D N0AAA@0 de N0ME: N0ME conference has been enabled.
> D N0BBB@0 de N0ME: N0ME conference has been enabled.
> D N0BBB@0 N0ME conference has been disabled.\r
conf: \r\nde N0ME: N0ME conference has been enabled.\r\nN0ME conference has been disabled.\r\n)");
        // The send line.
        row("plain lines: header once, empty line sends a CR",
            R"(show > conf; opt UserPacketPortNo 1; start; assign 0 N0BBB; set selected N0BBB; set speaker N0BBB; type hello; type again; type)",
            R"(> D N0BBB@1 hello\r
> D N0BBB@1 again\r
> D N0BBB@1 \r
conf: de N0ME: hello\r\nagain\r\n\r\n)");
        row("nobody or Open selected: nothing goes, the line stays with its reason",
            R"(show beeps notice line; start; type hello; set selected open; type hello)",
            R"(beeps=2
notice: Not sent: no station selected (x2)
line: hello)");
        row("commands",
            R"(opt UserPacketPortNo 1; start; assign 0 N0BBB; set selected N0BBB; type :c n0call; type :Cn0xyz; type :c  N0CALL  \s; type :C; type :d whatever; answer CQ; type :U hello; type :X anything; type :)",
            R"(tabs 0=N0BBB 1=N0CALL 2=N0XYZ front=1 label=N0CALL selected=N0CALL
link 0: N0BBB on port 1
link 1: N0CALL on port 1
link 2: N0XYZ on port 1
asked: To Whom? (CQ, Beacon, etc.) []
beeps=2
> C N0CALL@1 
> C N0XYZ@1 
> d N0CALL@1 
> M CQ@1 hello\r
list: "N0CALL"\r\n"N0XYZ"\r\n
notice: Not connected: no call sign given)");
        // What the air cannot carry never reaches the engine; the line stays with the reason.
        row("calls: checked where typed, the engine's form used, refusals said",
            R"(show tabs > notice line list asked; start; type :c n0bbb via; type :c n0bbb-0; type :c N0CCC-15; type :c 123; type :c N0DDD-16; answer ; type :u hi; answer cq via x; type :u hi; answer \sbeacon-0\s; type :u hello)",
            R"(tabs 0=N0BBB 1=N0CCC-15 front=1
asked: To Whom? (CQ, Beacon, etc.) [] (x3)
> C N0BBB@0 
> C N0CCC-15@0 
> M BEACON@0 hello\r
list: "N0BBB"\r\n"N0CCC-15"\r\n
notice: Not connected: VIA names no digipeater
notice: Not connected: no call sign after the port
notice: Not connected: "N0DDD-16" is not a call sign (1 to 6 letters and digits, at least one a letter, then -0 to -15 if any)
notice: Not sent: no call sign given
notice: Not sent: "cq via x" is not a call sign (1 to 6 letters and digits, at least one a letter, then -0 to -15 if any))");
        // Through digipeaters and on a port of its own, for everything on the link.
        row("a link's path and port: the v frame, its own port throughout, the station book",
            R"(show tabs link > list ch0; ports 0 1; start; type :C 1 n0xyz v n0dg1, n0dg2; rx c/1 N0XYZ *** CONNECTED With Station N0XYZ\r; rx D/1 N0XYZ hi there\r; tick 2; type hello; keepalive; type :d)",
            R"(tabs 0=N0XYZ label=N0XYZ selected=N0XYZ speaker=N0ME
link 0: N0XYZ via N0DG1, N0DG2 on port 1
> v N0XYZ@1 N0DG1,N0DG2
> D N0XYZ@1 hello\r
> D N0XYZ@1 \r
> d N0XYZ@1 
ch0: \r\nSaturday, December 5, 2026  9:18:31 AM\r\n*** CONNECTED With Station N0XYZ\r\nhi there\r\n
list: "1 N0XYZ VIA N0DG1,N0DG2"\r\n)");
        row("path and port refusals keep the line; :U refuses a port the engine lacks",
            R"(show > notice list line; ports 0 1; start; type :c n0aaa V n0dg1 ,n0dg2  n0dg3; type :c 0 n0bbb; type :c 9 n0ccc; type :c n0ccc via a1,a2,a3,a4,a5,a6,a7,a8; type :c n0ddd via a1,a2,a3,a4,a5,a6,a7; type :c n0ccc n0dg1; set port 2; answer CQ; type :u hi)",
            R"(> v N0AAA@0 N0DG1,N0DG2,N0DG3
> C N0BBB@0 
> v N0DDD@0 A1,A2,A3,A4,A5,A6,A7
list: "N0AAA VIA N0DG1,N0DG2,N0DG3"\r\n"0 N0BBB"\r\n"N0DDD VIA A1,A2,A3,A4,A5,A6,A7"\r\n
notice: Not connected: the engine has no port 9; it has 0 (radio 0), 1 (radio 1)
notice: Not connected: at most 7 digipeaters, not 8
notice: Not connected: after the call only VIA and digipeaters may follow
notice: Not sent: the engine has no port 2; it has 0 (radio 0), 1 (radio 1) (Settings > Port)
line: :u hi)");
        row("one channel a call: a second link on another port is refused, the first kept",
            R"(show tabs link > notice; ports 0 1; start; rx c/1 N0BBB *** CONNECTED To Station N0BBB\r; tick; type :c 0 n0bbb; type :c n0bbb; rx c/0 N0BBB *** CONNECTED To Station N0BBB\r; rx d/0 N0BBB *** DISCONNECTED From Station N0BBB\r; tick; type hi)",
            R"(tabs 0=N0BBB label=N0BBB selected=N0BBB speaker=N0ME idle=1
link 0: N0BBB on port 1
> D N0BBB@1 Welcome to N0ME's Packet Station!\r\n
> d N0BBB@0 
> D N0BBB@1 hi\r
notice: Not connected: N0BBB is already on channel 1, as N0BBB on port 1
notice: N0BBB connected on port 0, but is already on channel 1; that link was ended)");
        row("a connect the engine reports failed frees its tab",
            R"(show tabs beeps; start; type :c n0zzz-0; rx d N0ZZZ *** DISCONNECTED RETRYOUT With N0ZZZ\r; tick)",
            R"(tabs idle=1
beeps=2 restored=1)");
        row("a line goes out at the first blank past column 70",
            R"(show >; start; assign 0 N0BBB; set selected N0BBB; edit aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\s; edit aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa; edit aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\s)",
            R"(> D N0BBB@0 aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\r)");
        row("keep-alive follows the selected station",
            R"(show >; start; set idle 950; keepalive; set selected N0GONE; keepalive)",
            R"(> D N0GONE@0 \r)");
        // Send File.
        row("send file: pieces of 80, then a CR",
            R"(show >; start; set selected N0BBB; set port 2; sendfile {0*x}; sendfile {80*a}; sendfile {81*b})",
            R"(> D N0BBB@2 \r
> D N0BBB@2 aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa
> D N0BBB@2 \r
> D N0BBB@2 bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb
> D N0BBB@2 b
> D N0BBB@2 \r)");
        row("send file: nothing without a call sign, a station or a file",
            R"(show beeps > notice; start; set call ; sendfile data; set call N0ME; sendfile data; set selected OPEN; sendfile data; set selected N0BBB; sendfile)",
            R"(beeps=3
notice: upload.bin not sent: this station has no call sign
notice: upload.bin not sent: no station selected (x2))");
        // Pages.
        row("new page tag empties the page when the option is on",
            R"(show page0; start; assign 0 N0BBB; rx D N0BBB old text\r; rx D N0BBB next <html><b>new</b>; tick 2)",
            R"(page0: <html><b>new</b>\r\n)");
        row("new page tag appends when the option is off",
            R"(show page0; opt UserPacketHTMLClear 0; start; assign 0 N0BBB; rx D N0BBB old text\r; rx D N0BBB next <html><b>new</b>; tick 2)",
            R"(page0: old text\rnext <html><b>new</b>\r\n)");
        row("a page that cannot be kept aside is never emptied",
            R"(show page0 notice; start; rx c N0BBB hi\r; rx D N0BBB earlier\r; rx d N0BBB bye\r; block .Channel0.htm.held; rx c N0CCC new\r; rx d N0CCC bye\r; rx c N0DDD again\r; tick 7)",
            R"(page0: hi\rearlier\rbye\r\nSaturday, December 5, 2026  9:18:31 AM\r\nnew\rbye\r\nSaturday, December 5, 2026  9:18:31 AM\r\nagain\r\r\n
notice: Channel0.htm could not be kept aside as .Channel0.htm.held; the new page follows it in the file)");
        row("a page file replaced by a link is left alone by the pane, and said",
            R"(show notice; start; file ../outside.htm SECRET; symlink Channel0.htm ../outside.htm; browser)",
            R"(notice: Channel0.htm is not a regular file; left alone)");
        row("a found page replaces the page; dots are ordinary; hidden or absent pages are missing",
            R"(show page0 panes loads notify files; start; assign 0 N0BBB; file N0BBB/a..b.htm <html>a..b</html>; file N0BBB/.secret.htm <html>secret</html>; rx D N0BBB look: <PRHa..b>\r; rx D N0BBB <PRH.secret>; rx D N0BBB <PRHindex>; rx D N0BBB <PRHindex>; rx D N0BBB <PRHindex; tick 5)",
            R"(page0: <html>a..b</html><PRH.secret><PRHindex><PRHindex><PRHindex\r\n
panes 0:11
loads 0:~/Channel0.htm 0:~/N0BBB/a..b.htm
notify Download HTML Content Files: This packet station supports Packet Radio HTML.  To display the web based format, content files must be downloaded from the Internet.\r\n\r\nTo download the content files for station N0BBB, start your normal web browser, navigate to the source files on the Internet and save them in ~/N0BBB. (x3)
files:  | N0BBB)");
        row("hostile page and sender names stay inside",
            R"(show page files; start; assign 0 N0BBB; assign 1 ..; file ../secret.htm SECRET; rx D N0BBB <PRH../secret>; rx D N0BBB <PRHa/b>; rx D N0BBB <PRHa\..\b>; rx D N0BBB <PRH/etc/passwd>; rx D N0BBB <PRHC:secret>; rx D .. <PRHsecret>; tick 6)",
            R"(page0: <PRH../secret><PRHa/b><PRHa\..\b><PRH/etc/passwd><PRHC:secret>\r\n
page1: <PRHsecret>\r\n
files: secret.htm | )");
        row("a content folder linked out of the program folder is not followed",
            R"(show page files; start; assign 0 N0BBB; file ../outside/index.htm SECRET; symlink N0BBB ../outside; rx D N0BBB <PRHindex>; tick)",
            R"(page0: <PRHindex>\r\n
files: outside | N0BBB)");
        row("command links",
            R"(show tabs > loads list asked; start; assign 0 N0BBB; set selected N0BBB; edit typed; link 2 /tmp/page.htm; link 2 <PRHCMDShowConnectList>; link 2 file:///home/op/%3Cprhcmdshowconnectlist%3E; link 2 %3CPRHCMD:C%20n0xyz%3E; link 2 <PRHCMD>; link 2 <PRHCMD:C N0XYZ)",
            R"(tabs 0=N0BBB 1=N0XYZ front=1 selected=N0BBB speaker=N0ME
> C N0XYZ@0 
> D N0BBB@0 \r
loads 2:/tmp/page.htm
list: "N0XYZ"\r\n
asked:  (x2))");
    }
    void transcripts() {
        QFETCH(QString, script);
        Transcript t;
        t.run(script);
        QTEST(t.render(), "expected");
    }

    // kind:call:data (n: a notice, x: the engine goes away), one a second.
    void whatIsSaid() {
        const QStringList chat = {"c:N0BBB:*** CONNECTED",
                                  "D:N0BBB:hel\x7flo\r\x07\r",
                                  "c:N0CCC:x",
                                  "D:N0BBB:from behind\rtwo\r",
                                  "U:N0XX:cq cq\r",
                                  "d:N0BBB:*** DISCONNECTED RETRYOUT With N0BBB",
                                  "n::a status line notice",
                                  "x::",
                                  "x::"}; // its loss is said once, its retries not
        const QStringList b{"Plain lines go to N0BBB", "N0BBB connected on channel 1"},
            c{"Plain lines go to N0CCC", "N0CCC connected on channel 2"};
        const QStringList tail{
            "Link to N0BBB ended: no answer", "a status line notice", "Packet engine lost",
            "Link to N0CCC ended: the packet engine went away", "Plain lines go to no station"};
        for (const auto& [level, expected] :
             {std::pair{2, b + QStringList{"hello"} + c + QStringList{"N0BBB: from behind\ntwo"} +
                               tail},
              {1, b + c + tail}}) {
            StationHarness h;
            h.start();
            h.station().onMenuCheck(MenuCheck(int(MenuCheck::AnnounceOff) + level));
            Said said;
            h.station().announcer().setOutput(&said);
            QStringList names{h.view.sendLineName}; // the send line's, for a screen reader
            for (const QString& step : chat) {
                const QStringList f = step.split(u':');
                Announcer& say = h.station().announcer();
                f[0] == u"n" ? say.notice(f[2]) // what the status line shows
                : f[0] == u"x"
                    ? void(h.engine.attached = false)
                    : h.engine.queue(f[0][0].toLatin1(), f[1].toLatin1(), f[2].toLatin1());
                h.clock.when = h.clock.when.addSecs(1);
                h.station().tick();
                names << h.view.sendLineName;
            }
            QCOMPARE(said.texts, expected);
            h.station().onConferenceClicked(1);
            QCOMPARE(names.join(u'|') + u'|' + h.view.sendLineName,
                     "Send: no station selected|Send to N0BBB|Send to N0BBB|Send to N0CCC|Send to "
                     "N0CCC|Send to N0CCC|Send to N0CCC|Send to N0CCC|Link to N0CCC ended: the "
                     "packet engine went away|Link to N0CCC ended: the packet engine went "
                     "away|Send to the conference");
        }
        // A line from behind is named even when it joins a connect still waiting its turn.
        FixedClock clock;
        Announcer say(clock);
        Said said;
        say.setLevel(2), say.setOutput(&said);
        say.lineReceived(u"N0CCC"_s, u"a"_s, false), say.connected(u"N0CCC"_s, 1);
        say.lineReceived(u"N0CCC"_s, u"b"_s, false);
        clock.when = clock.when.addSecs(1), say.flush();
        QCOMPARE(said.texts, QStringList({"N0CCC: a", "N0CCC connected on channel 2\nN0CCC: b"}));
    }

    // Settings > Engine Address: a usable answer is kept and is where the link goes next; each
    // kind keeps its own address while the other is in use.
    void engineAddress() {
        StationHarness h;
        QString kept = u"127.0.0.1:8000"_s;
        for (const auto& [answer, where] : {std::pair{"h:65535", "h:65535"},
                                            {"kiss /dev/rfcomm0", "kiss /dev/rfcomm0 9600"},
                                            {" wx.lan : 8010 ", "wx.lan:8010"},
                                            {"KISS tnc.lan:8101", "kiss tnc.lan:8101"},
                                            {"kiss /dev/ttyUSB0 fast", ""},
                                            {"h:65536", ""},
                                            {"", ""}}) {
            h.prompts.answers.push_back(QString::fromLatin1(answer));
            QCOMPARE(h.station().onEngineAddressMenu(), *where != 0);
            kept = *where ? QString::fromLatin1(where) : kept;
            QCOMPARE(h.store.engineAddress().text(), kept);
            QCOMPARE(h.engine.where, kept);
        }
        QCOMPARE(h.store.engineHost() + ':' + QString::number(h.store.enginePort()), "wx.lan:8010");
    }
};

QTEST_GUILESS_MAIN(StationTest)
#include "tst_station.moc"
