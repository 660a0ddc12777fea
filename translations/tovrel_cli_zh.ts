<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="en">
<context>
    <name>tovrel::cli</name>
    <message>
        <source>Options</source>
        <translation>选项</translation>
    </message>
    <message>
        <source>also check five levels of sub-folders, as the search does</source>
        <translation>同时检查五层子文件夹，与查找相同</translation>
    </message>
    <message>
        <source>Exit status 0 when every file is whole, 1 when a row was printed, 2 when FOLDER
cannot be read or the arguments are wrong.</source>
        <translation>退出状态：每个文件都完整时为 0，打印了行时为 1，FOLDER 无法读取或参数有误时为 2。</translation>
    </message>
    <message>
        <source>unexpected argument: %1</source>
        <translation>多余的参数：%1</translation>
    </message>
    <message>
        <source>give a FOLDER (see --help)</source>
        <translation>请给出文件夹 FOLDER（见 --help）</translation>
    </message>
    <message>
        <source>cannot write the rows</source>
        <translation>无法写出各行</translation>
    </message>
    <message>
        <source>The contact book that names the numbers of the recordings (the 联系人 column).
It is kept in $XDG_CONFIG_HOME/tovrel/contacts.vcf (~/.config/tovrel/ by default).</source>
        <translation>为录音的号码标出姓名的通讯录（联系人 列）。
保存在 $XDG_CONFIG_HOME/tovrel/contacts.vcf（默认在 ~/.config/tovrel/）。</translation>
    </message>
    <message>
        <source>Commands</source>
        <translation>命令</translation>
    </message>
    <message>
        <source>add the contacts of vCard and CSV files</source>
        <translation>添加 vCard 和 CSV 文件中的联系人</translation>
    </message>
    <message>
        <source>print the book: name TAB number, one row per number</source>
        <translation>打印通讯录：姓名 TAB 号码，每个号码一行</translation>
    </message>
    <message>
        <source>write the book as a vCard file</source>
        <translation>将通讯录写成 vCard 文件</translation>
    </message>
    <message>
        <source>vCard files may be of version 2.1, 3.0 or 4.0; a CSV file (.csv) holds a header row,
then name,number on each row. When a file cannot be read, nothing is added.</source>
        <translation>vCard 文件可为 2.1、3.0 或 4.0 版；CSV 文件（.csv）先有一行表头，
之后每行为 姓名,号码。有文件无法读取时，不添加任何联系人。</translation>
    </message>
    <message>
        <source>Exit status 0 on success, 1 otherwise.</source>
        <translation>退出状态：成功为 0，否则为 1。</translation>
    </message>
    <message>
        <source>import needs a FILE</source>
        <translation>import 需要文件 FILE</translation>
    </message>
    <message>
        <source>nothing imported</source>
        <translation>未导入任何联系人</translation>
    </message>
    <message>
        <source>%1 contact(s) added or given new numbers, %2 in the book</source>
        <translation>已添加或更新号码的联系人 %1 个，通讯录中共 %2 个</translation>
    </message>
    <message>
        <source>the rows could not be written</source>
        <translation>无法写出各行</translation>
    </message>
    <message>
        <source>the contact book is empty; nothing exported</source>
        <translation>通讯录为空；未导出</translation>
    </message>
    <message>
        <source>%1 cannot be written: %2</source>
        <translation>%1 无法写入：%2</translation>
    </message>
    <message>
        <source>list takes no argument</source>
        <translation>list 不带参数</translation>
    </message>
    <message>
        <source>export takes one FILE</source>
        <translation>export 只带一个文件 FILE</translation>
    </message>
    <message>
        <source>add the 联系人 column (the contact book&apos;s name for the number)</source>
        <translation>添加 联系人 列（通讯录中该号码的姓名）</translation>
    </message>
    <message>
        <source>folder the WAV files are written into</source>
        <translation>写入 WAV 文件的文件夹</translation>
    </message>
    <message>
        <source>convert every recording of FOLDER</source>
        <translation>转换 FOLDER 的每个录音</translation>
    </message>
    <message>
        <source>recordings decoded at once (default: one per core)</source>
        <translation>同时解码的录音数（默认：每个核心一个）</translation>
    </message>
    <message>
        <source>Exit status 0 on success, 1 with the failure text otherwise.</source>
        <translation>退出状态：成功为 0，否则为 1 并给出失败信息。</translation>
    </message>
    <message>
        <source>--jobs takes a number of at least 1: %1</source>
        <translation>--jobs 需要至少为 1 的数：%1</translation>
    </message>
    <message>
        <source>stopped after %1 file(s)</source>
        <translation>转换了 %1 个文件后停止</translation>
    </message>
    <message>
        <source>use the emulated telephone on this socket</source>
        <translation>使用此套接字上的模拟电话机</translation>
    </message>
    <message>
        <source>folder the recordings are uploaded into</source>
        <translation>录音上传到的文件夹</translation>
    </message>
    <message>
        <source>upload every recording</source>
        <translation>上传全部录音</translation>
    </message>
    <message>
        <source>upload only recordings the folder lacks</source>
        <translation>只上传文件夹中没有的录音</translation>
    </message>
    <message>
        <source>list: print the column captions first</source>
        <translation>list：先打印列标题</translation>
    </message>
    <message>
        <source>list: add the 联系人 column</source>
        <translation>list：添加 联系人 列</translation>
    </message>
    <message>
        <source>list: write the list to this workbook instead (.xls or .xlsx)</source>
        <translation>list：改为将列表写入此工作簿（.xls 或 .xlsx）</translation>
    </message>
    <message>
        <source>time-out of each exchange (default 10000)</source>
        <translation>每次通信的超时（默认 10000）</translation>
    </message>
    <message>
        <source>--timeout-ms needs a positive number</source>
        <translation>--timeout-ms 需要一个正数</translation>
    </message>
    <message>
        <source>--password DDDD is required</source>
        <translation>需要 --password DDDD</translation>
    </message>
    <message>
        <source>; nothing exported</source>
        <translation>；未导出</translation>
    </message>
    <message>
        <source>--to DIR is required</source>
        <translation>需要 --to DIR</translation>
    </message>
    <message>
        <source>give either --all or row numbers</source>
        <translation>请给出 --all 或录音序号</translation>
    </message>
    <message>
        <source>no recording number %1 (the telephone holds %2)</source>
        <translation>没有序号为 %1 的录音（电话机中共有 %2 个）</translation>
    </message>
    <message>
        <source>nothing to upload (the telephone holds no recordings)</source>
        <translation>没有要上传的录音（电话机中没有录音）</translation>
    </message>
    <message>
        <source>unknown action: %1</source>
        <translation>未知的操作：%1</translation>
    </message>
    <message>
        <source>--export goes with list</source>
        <translation>--export 只能与 list 一起使用</translation>
    </message>
    <message>
        <source>--export needs a PATH</source>
        <translation>--export 需要路径 PATH</translation>
    </message>
    <message>
        <source>--replace goes with --export PATH</source>
        <translation>--replace 需与 --export PATH 一起使用</translation>
    </message>
    <message>
        <source>--export PATH ends in .xls or .xlsx: %1</source>
        <translation>--export 的 PATH 须以 .xls 或 .xlsx 结尾：%1</translation>
    </message>
    <message>
        <source>--with-audio goes with --export PATH</source>
        <translation>--with-audio 需与 --export PATH 一起使用</translation>
    </message>
    <message>
        <source>--wav goes with --with-audio</source>
        <translation>--wav 需与 --with-audio 一起使用</translation>
    </message>
    <message>
        <source>write the list to this workbook instead (.xls or .xlsx)</source>
        <translation>改为将列表写入此工作簿（.xls 或 .xlsx）</translation>
    </message>
    <message>
        <source>with --export: replace an existing workbook</source>
        <translation>与 --export 一起：替换已有的工作簿</translation>
    </message>
    <message>
        <source>with --export: the recordings too, in a folder named after the workbook</source>
        <translation>与 --export 一起：同时导出录音，放在以工作簿命名的文件夹中</translation>
    </message>
    <message>
        <source>with --with-audio: convert the recordings into WAV files</source>
        <translation>与 --with-audio 一起：将录音转换为 WAV 文件</translation>
    </message>
    <message>
        <source>Usage: </source>
        <translation>用法：</translation>
    </message>
    <message>
        <source>show this help</source>
        <translation>显示此帮助</translation>
    </message>
    <message>
        <source>no such folder: %1</source>
        <translation>没有此文件夹：%1</translation>
    </message>
    <message>
        <source>nothing exported</source>
        <translation>未导出</translation>
    </message>
    <message>
        <source>Lists the recording files (*.spx) of FOLDER in file-name order, one row per
line, the cells tab-separated as the PC list shows them: 序号, 文件名,
电话号码, 时间, 属性, 文件长度, 时长. An export carries the 备注 column
when a recording has a note.</source>
        <translation>按文件名顺序列出 FOLDER 的录音文件（*.spx），每行一个，各单元格以制表符
分隔，与 PC 列表所示相同：序号、文件名、电话号码、时间、属性、文件长度、
时长。有录音带备注时，导出的工作簿含 备注 列。</translation>
    </message>
    <message>
        <source>print the column captions first</source>
        <translation>先打印列标题</translation>
    </message>
    <message>
        <source>Exit status 0 when rows were listed, 1 otherwise.</source>
        <translation>退出状态：列出了行时为 0，否则为 1。</translation>
    </message>
    <message>
        <source>list the recordings of a folder (tab-separated)</source>
        <translation>列出文件夹中的录音（以制表符分隔）</translation>
    </message>
    <message>
        <source>convert recordings to WAV files</source>
        <translation>将录音转换为 WAV 文件</translation>
    </message>
    <message>
        <source>play a recording on the default audio output</source>
        <translation>在默认音频输出上播放录音</translation>
    </message>
    <message>
        <source>search a folder tree for recordings (tab-separated)</source>
        <translation>在文件夹树中查找录音（以制表符分隔）</translation>
    </message>
    <message>
        <source>the contact book: import, list, export</source>
        <translation>通讯录：导入、列出、导出</translation>
    </message>
    <message>
        <source>name the recording files that are not whole (tab-separated)</source>
        <translation>列出不完整的录音文件（以制表符分隔）</translation>
    </message>
    <message>
        <source>give recording files the time of their call</source>
        <translation>将录音文件的时间设为通话时间</translation>
    </message>
    <message>
        <source>show or change the note of a recording</source>
        <translation>显示或修改录音的备注</translation>
    </message>
    <message>
        <source>Tovrel Desk on the command line.</source>
        <translation>命令行上的 Tovrel Desk。</translation>
    </message>
    <message>
        <source>show the version</source>
        <translation>显示版本</translation>
    </message>
    <message>
        <source>the language of the messages (default: the locale&apos;s)</source>
        <translation>消息的语言（默认：随系统区域设置）</translation>
    </message>
    <message>
        <source>Each command takes --help for its own options.</source>
        <translation>每个命令都可用 --help 查看其选项。</translation>
    </message>
    <message>
        <source>unknown command: %1</source>
        <translation>未知的命令：%1</translation>
    </message>
    <message>
        <source>The note of the recording FILE: free text kept beside it in FILE.txt, so it travels
with the folder. Without an option the note is printed (nothing when it has none).</source>
        <translation>录音文件 FILE 的备注：保存在其旁边 FILE.txt 中的自由文本，随文件夹一起移动。
不带选项时打印备注（没有备注时不打印）。</translation>
    </message>
    <message>
        <source>replace the note by TEXT (&quot;&quot; removes it)</source>
        <translation>将备注替换为 TEXT（&quot;&quot; 删除备注）</translation>
    </message>
    <message>
        <source>remove the note</source>
        <translation>删除备注</translation>
    </message>
    <message>
        <source>--set and --clear go alone</source>
        <translation>--set 和 --clear 只能单独使用</translation>
    </message>
    <message>
        <source>--set needs a value</source>
        <translation>--set 需要一个值</translation>
    </message>
    <message>
        <source>give a FILE (see --help)</source>
        <translation>请给出文件 FILE（见 --help）</translation>
    </message>
    <message>
        <source>no such recording: %1</source>
        <translation>没有此录音：%1</translation>
    </message>
    <message>
        <source>the note could not be written out</source>
        <translation>备注无法写出</translation>
    </message>
    <message>
        <source>add the 备注 column last (the first line of each recording&apos;s note)</source>
        <translation>在最后添加 备注 列（每个录音备注的第一行）</translation>
    </message>
    <message>
        <source>Plays the recording FILE (.spx) on the default audio output, from the start or from
second SECONDS of its speech, and shows the position on a terminal. Ends when the
recording has played out. At another speed the pitch stays the same and the position
is shown in the recording&apos;s own time.</source>
        <translation>在默认音频输出上播放录音文件 FILE（.spx），从头或从语音的第 SECONDS 秒开始，
并在终端上显示播放位置。录音播完即结束。以其他速度播放时音调不变，位置按
录音自身的时间显示。</translation>
    </message>
    <message>
        <source>start at this second of the speech</source>
        <translation>从语音的这一秒开始</translation>
    </message>
    <message>
        <source>play at X times the speed: 0.5 to 2.0 in steps of 0.1</source>
        <translation>以 X 倍速度播放：0.5 到 2.0，步长 0.1</translation>
    </message>
    <message>
        <source>Exit status 0 when it played to the end, 1 with the message when it could not
(no audio device, unreadable file) or when the audio device stopped playing
before the end.</source>
        <translation>退出状态：播放到结尾为 0；无法播放（没有音频设备、文件无法读取）或音频设备
在结尾前停止播放时为 1，并给出消息。</translation>
    </message>
    <message>
        <source>--from takes a whole number of seconds</source>
        <translation>--from 需要整数秒数</translation>
    </message>
    <message>
        <source>--speed takes a number from 0.5 to 2.0 in steps of 0.1, not &apos;%1&apos;</source>
        <translation>--speed 需要 0.5 到 2.0、步长 0.1 的数，而不是“%1”</translation>
    </message>
    <message>
        <source>give a recording FILE (see --help)</source>
        <translation>请给出录音文件 FILE（见 --help）</translation>
    </message>
    <message>
        <source>--note needs a value</source>
        <translation>--note 需要一个值</translation>
    </message>
    <message>
        <source>--name needs a value</source>
        <translation>--name 需要一个值</translation>
    </message>
    <message>
        <source>--from needs a value</source>
        <translation>--from 需要一个值</translation>
    </message>
    <message>
        <source>--to needs a value</source>
        <translation>--to 需要一个值</translation>
    </message>
    <message>
        <source>--number needs a value</source>
        <translation>--number 需要一个值</translation>
    </message>
    <message>
        <source>--kinds needs a value</source>
        <translation>--kinds 需要一个值</translation>
    </message>
    <message>
        <source>unknown kind: %1 (in, out, local)</source>
        <translation>未知的类型：%1（in、out、local）</translation>
    </message>
    <message>
        <source>%1 needs a value</source>
        <translation>%1 需要一个值</translation>
    </message>
    <message>
        <source>--from and --to come together</source>
        <translation>--from 和 --to 须同时给出</translation>
    </message>
    <message>
        <source>not a date and time (YYYY-MM-DD hh:mm[:ss]): %1</source>
        <translation>不是日期和时间（YYYY-MM-DD hh:mm[:ss]）：%1</translation>
    </message>
    <message>
        <source>Searches FOLDER and five levels of sub-folders for recording files (*.spx) as the
search window does, and prints the rows found, tab-separated: 文件名,
电话号码, 时间, 时长, 属性, 文件路径. The count line goes to stderr.
An export carries the 备注 column when a recording found has a note.</source>
        <translation>与查找窗口一样，在 FOLDER 及其五层子文件夹中查找录音文件（*.spx），并打印
找到的行，以制表符分隔：文件名、电话号码、时间、时长、属性、文件路径。计数行
输出到 stderr。找到的录音带备注时，导出的工作簿含 备注 列。</translation>
    </message>
    <message>
        <source>the date-and-time range (both or neither), YYYY-MM-DD hh:mm[:ss]</source>
        <translation>日期时间范围（两者同时给出或都不给），YYYY-MM-DD hh:mm[:ss]</translation>
    </message>
    <message>
        <source>numbers holding DIGITS anywhere</source>
        <translation>号码中任意位置含有 DIGITS</translation>
    </message>
    <message>
        <source>numbers of contacts whose name holds TEXT (letter case ignored)</source>
        <translation>姓名含有 TEXT 的联系人的号码（不区分大小写）</translation>
    </message>
    <message>
        <source>recordings whose note holds TEXT (letter case ignored)</source>
        <translation>备注含有 TEXT 的录音（不区分大小写）</translation>
    </message>
    <message>
        <source>kinds ticked, of in,out,local (all when absent, &quot;&quot; for none)</source>
        <translation>勾选的类型，取自 in,out,local（省略时为全部，&quot;&quot; 为无）</translation>
    </message>
    <message>
        <source>shortest duration in seconds (0: no bound)</source>
        <translation>最短时长，单位秒（0：不限）</translation>
    </message>
    <message>
        <source>longest duration in seconds (0: no bound)</source>
        <translation>最长时长，单位秒（0：不限）</translation>
    </message>
    <message>
        <source>Exit status 0 when the search ran (also when nothing passed), 1 when it was refused
or when the folder, a sub-folder or a recording file could not be read.</source>
        <translation>退出状态：查找已执行（包括没有结果时）为 0；查找被拒绝，或文件夹、子文件夹、
录音文件无法读取时为 1。</translation>
    </message>
    <message>
        <source>folder left out (%1: %2)</source>
        <translation>已略过文件夹（%1：%2）</translation>
    </message>
    <message>
        <source>%1 file(s) or folder(s) could not be read</source>
        <translation>%1 个文件或文件夹无法读取</translation>
    </message>
    <message>
        <source>Gives each recording file (*.spx) of FOLDER the date and time of its
call as its modification time, as an upload does. A recording without
a year takes the latest such date not after the file&apos;s own time (the
time of its upload); a header naming no real date leaves the file as
it is. Prints how many files it changed.</source>
        <translation>将 FOLDER 中每个录音文件（*.spx）的修改时间设为其通话的日期和时间，与上传
相同。没有年份的录音取不晚于文件自身时间（即上传时间）的最近的此日期；文件头
中的日期无效时文件保持不变。打印修改了多少个文件。</translation>
    </message>
    <message>
        <source>Exit status 0 on success, 1 when a file could not be read or
changed (each is named) or FOLDER cannot be read.</source>
        <translation>退出状态：成功为 0；有文件无法读取或修改（逐个列出）或 FOLDER 无法读取时为 1。</translation>
    </message>
    <message>
        <source>changed %1 of %2 recording file(s)</source>
        <translation>修改了 %2 个录音文件中的 %1 个</translation>
    </message>
    <message>
        <source>cannot look for %1: %2</source>
        <translation>无法查看 %1：%2</translation>
    </message>
    <message>
        <source>Exit status 0 on success, 1 with the failure text otherwise: also when a file
is no recording, not a whole one or corrupted (its WAV, if any, holds what could
be converted and never replaces an earlier file), and after a stop, which drops
the WAV in hand.</source>
        <translation>成功时退出状态为 0，否则为 1 并给出失败的说明：文件不是录音、不是完整的录音
或数据已损坏时也是如此（它的 WAV 如有，只含能转换的部分，且从不替换已有的文件），
停止之后也是如此（正在转换的 WAV 被丢弃）。</translation>
    </message>
    <message>
        <source>%1 file(s) not converted whole</source>
        <translation>%1 个文件没有完整转换</translation>
    </message>
    <message>
        <source>Checks that the recording files (*.spx) of FOLDER are whole: a header naming a date
and time that exist, and exactly the payload length it gives. Prints one row per file
that is not, in the order of the PC list, tab-separated: the file name (below FOLDER),
then what is wrong.</source>
        <translation>检查 FOLDER 中的录音文件（*.spx）是否完整：文件头所记的日期和时间确实存在，
且负载长度与文件头所记完全一致。每个不完整的文件打印一行，按 PC 列表的顺序，以制表符
分隔：文件名（相对于 FOLDER），然后是问题所在。</translation>
    </message>
    <message>
        <source>--format takes wav, flac, opus or mp3: %1</source>
        <translation>--format 只能是 wav、flac、opus 或 mp3：%1</translation>
    </message>
    <message>
        <source>--bitrate takes a number of kbit/s: %1</source>
        <translation>--bitrate 需要一个以 kbit/s 计的数：%1</translation>
    </message>
    <message>
        <source>wav (the default), flac, opus or mp3; the call&apos;s details go inside</source>
        <translation>wav（默认）、flac、opus 或 mp3；通话的信息写在文件里</translation>
    </message>
    <message>
        <source>for opus (6 to 256) and mp3 (8, 16, ... 64): the bit rate (default 16)</source>
        <translation>opus（6 到 256）和 mp3（8、16、……64）的码率（默认 16）</translation>
    </message>
    <message>
        <source>Converts recording files into WAV files (16-bit mono PCM, 8000 Hz) named
&lt;name&gt;.spx.wav in DIR, as the PC tab&apos;s conversion does; --all converts every
recording of FOLDER in the PC list&apos;s order. Several recordings are decoded at
once; the WAVs and the order of the lines printed stay the same. A progress bar
is drawn on stderr when it is a terminal. --format flac, opus or mp3 writes
&lt;name&gt;.spx.flac, .spx.opus or .spx.mp3 instead, carrying the call (kind,
number, contact, date and time, note) in the file&apos;s tags.</source>
        <translation>将录音文件转换为 WAV 文件（16 位单声道 PCM，8000 Hz），在 DIR 中命名为
&lt;name&gt;.spx.wav，与 PC 页的转换相同；--all 按 PC 列表的顺序转换 FOLDER 的
每个录音。多个录音同时解码；WAV 文件和打印各行的顺序不变。stderr 为终端时
在其上显示进度条。--format flac、opus 或 mp3 改为写出 &lt;name&gt;.spx.flac、
.spx.opus 或 .spx.mp3，文件的标签里带有通话的信息（类型、号码、联系人、
日期时间、备注）。</translation>
    </message>
    <message>
        <source>--wav and --format %1: choose one</source>
        <translation>--wav 和 --format %1 只能选一个</translation>
    </message>
    <message>
        <source>--format and --bitrate go with --with-audio</source>
        <translation>--format 和 --bitrate 需与 --with-audio 一起使用</translation>
    </message>
    <message>
        <source>not a recording: %1</source>
        <translation>不是录音文件：%1</translation>
    </message>
    <message>
        <source>Exit status 0 on success, 1 when FILE does not exist or is not a recording, or the
note could not be read or written.</source>
        <translation>退出状态：成功为 0，FILE 不存在或不是录音文件、或备注无法读写时为 1。</translation>
    </message>
    <message>
        <source>the file whose first line is the telephone&apos;s password</source>
        <translation>第一行为电话机密码的文件</translation>
    </message>
    <message>
        <source>the password itself (visible to other users in the process list)</source>
        <translation>密码本身（其他用户可在进程列表中看到）</translation>
    </message>
    <message>
        <source>give either --password or --password-file</source>
        <translation>请只给出 --password 或 --password-file 之一</translation>
    </message>
    <message>
        <source>--password-file needs a file</source>
        <translation>--password-file 缺少文件</translation>
    </message>
    <message>
        <source>the password file %1 does not exist</source>
        <translation>密码文件 %1 不存在</translation>
    </message>
    <message>
        <source>the password file %1 cannot be read: %2</source>
        <translation>无法读取密码文件 %1：%2</translation>
    </message>
    <message>
        <source>the first line of the password file %1 is not four digits</source>
        <translation>密码文件 %1 的第一行不是四位数字</translation>
    </message>
    <message>
        <source>Password of the telephone: </source>
        <translation>电话机密码：</translation>
    </message>
    <message>
        <source>no password typed</source>
        <translation>没有输入密码</translation>
    </message>
    <message>
        <source>the settings file (default: ~/.config/tovrel/SysConf.ini)</source>
        <translation>设置文件（默认：~/.config/tovrel/SysConf.ini）</translation>
    </message>
    <message>
        <source>add a contact, or the numbers the contact of NAME lacks</source>
        <translation>添加一个联系人，或为姓名 NAME 的联系人添加其没有的号码</translation>
    </message>
    <message>
        <source>add needs a NAME and a NUMBER</source>
        <translation>add 需要姓名 NAME 和号码 NUMBER</translation>
    </message>
    <message>
        <source>%1 is no telephone number</source>
        <translation>%1 不是电话号码</translation>
    </message>
    <message>
        <source>say import, add, list or export (see --help)</source>
        <translation>请指定 import、add、list 或 export（见 --help）</translation>
    </message>
    <message>
        <source>with --with-audio: convert the recordings into wav, flac, opus or mp3 files</source>
        <translation>与 --with-audio 一起：把录音转换为 wav、flac、opus 或 mp3 文件</translation>
    </message>
    <message>
        <source>watch keeps the folder an archive of the telephone: it waits for
the telephone and, each time it is plugged in and every --every
minutes while it stays, uploads what the folder lacks (as upload
--all --new), with one line on stderr for each visit. A refused
password is not tried again until the telephone is plugged in again.
Ctrl-C or SIGTERM ends the watch after the exchange in hand, with
nothing of a file cut short left behind, and exit status 0; a folder
that cannot be written ends it with 1.</source>
        <translation>watch 让文件夹成为电话机的存档：等待电话机接入，每次接入时以及保持接入
期间每隔 --every 分钟，上传文件夹中还没有的录音（如同 upload --all --new），
每次访问在 stderr 上打印一行。密码被拒绝后，直到电话机重新插入才会再试。
Ctrl-C 或 SIGTERM 在当前交换结束后结束监视，不留下任何不完整的文件，
退出状态为 0；文件夹无法写入时以 1 结束。</translation>
    </message>
    <message>
        <source>watch: minutes between visits while the telephone stays plugged in (default 10)</source>
        <translation>watch：电话机保持接入时两次访问之间的分钟数（默认 10）</translation>
    </message>
    <message>
        <source>say status, list, upload or watch</source>
        <translation>请指定 status、list、upload 或 watch</translation>
    </message>
    <message>
        <source>--every needs a positive number of minutes</source>
        <translation>--every 需要一个正的分钟数</translation>
    </message>
    <message>
        <source>--every goes with watch</source>
        <translation>--every 只用于 watch</translation>
    </message>
    <message>
        <source>watch uploads every recording the folder lacks: give no --all, --new or row numbers</source>
        <translation>watch 上传文件夹中还没有的全部录音：不要给出 --all、--new 或序号</translation>
    </message>
    <message>
        <source>the folder %1 cannot be created</source>
        <translation>无法创建文件夹 %1</translation>
    </message>
    <message>
        <source>the folder %1 cannot be written: %2</source>
        <translation>无法写入文件夹 %1：%2</translation>
    </message>
    <message>
        <source>; not arrived: %1</source>
        <translation>；没有完整上传：%1</translation>
    </message>
    <message>
        <source>the telephone: status, list, upload, watch</source>
        <translation>电话机：状态、列表、上传、监视</translation>
    </message>
    <message>
        <source>--password-file FILE or --password DDDD is required: no keyring is running to hold the telephone&apos;s password</source>
        <translation>需要 --password-file FILE 或 --password DDDD：没有正在运行的密钥环保存电话机的密码</translation>
    </message>
    <message>
        <source>--password-file FILE or --password DDDD is required: the keyring holds no password for this telephone</source>
        <translation>需要 --password-file FILE 或 --password DDDD：密钥环中没有这台电话机的密码</translation>
    </message>
    <message>
        <source>The telephone: whether one is attached (status), the recordings it holds
(list, tab-separated as the telephone tab shows them), and the upload of
recordings into a folder (upload; ROW: the number in the first column).
With --new a recording is known by its call, not by its place in the
telephone&apos;s list: one whose file is already in the folder, whole and with
the same header apart from the memory address, under any position in its
name, is left as it is. A copy cut short is replaced by the whole one; a
file of another call under the same name is kept, and the recording takes
the name with &quot; (2)&quot;, &quot; (3)&quot;, ... added. One line of counts ends the
upload on stderr. A progress bar is drawn on stderr when it is a terminal.
list, upload and watch log in with the telephone&apos;s password: the
first line of --password-file; when neither option is given, the
password stored in the desktop&apos;s keyring for this telephone (the
login dialog&apos;s 记住密码), else typed at the terminal (not shown).</source>
        <translation>电话机：是否已连接（status），其中保存的录音（list，与电话页一样以制表符
分隔），以及将录音上传到文件夹（upload；ROW：第一列中的序号）。
使用 --new 时，录音按其通话识别，而不按它在电话机列表中的位置：文件夹中已有
完整文件、文件头除内存地址外相同的录音（文件名中的序号不论）保持不变。不完整
的副本由完整文件替换；同名的另一通话的文件保留，录音改用加上“ (2)”、“ (3)”……
的文件名。上传结束时在 stderr 上打印一行计数。stderr 为终端时在其上显示进度条。
list、upload 和 watch 用电话机的密码登录：取 --password-file 文件的第一行；两个选项
都未给出时，取桌面密钥环中为这台电话机保存的密码（登录对话框的“记住密码”），
否则在终端上输入（不显示）。</translation>
    </message>
</context>
</TS>
