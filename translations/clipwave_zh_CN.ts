<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>AboutBox</name>
    <message>
        <source>About</source>
        <translation>关于</translation>
    </message>
    <message>
        <source>Copyright (C) 2026 Karvel Software. All rights reserved.</source>
        <translation>版权所有 (C) 2026 Karvel Software。保留所有权利。</translation>
    </message>
    <message>
        <source>Support: %1</source>
        <translation>支持：%1</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>确定(&amp;O)</translation>
    </message>
    <message>
        <source>Version: %1   Build %2</source>
        <translation>版本：%1   构建 %2</translation>
    </message>
</context>
<context>
    <name>AddressList</name>
    <message>
        <source>longer than %1 bytes</source>
        <translation>超过 %1 字节</translation>
    </message>
    <message>
        <source>control character</source>
        <translation>控制字符</translation>
    </message>
    <message>
        <source>not UTF-8 text</source>
        <translation>不是 UTF-8 文本</translation>
    </message>
    <message>
        <source>not an http or https address</source>
        <translation>不是 http 或 https 地址</translation>
    </message>
    <message>
        <source>more than %1 entries; the list stops at line %2</source>
        <translation>超过 %1 项；列表在第 %2 行结束</translation>
    </message>
    <message>
        <source>standard input</source>
        <translation>标准输入</translation>
    </message>
    <message>
        <source>%1: larger than %2 MiB</source>
        <translation>%1：大于 %2 MiB</translation>
    </message>
</context>
<context>
    <name>AudioConversion</name>
    <message>
        <source>The original audio (%1) has no container of its own; it was converted to FLAC, without loss.</source>
        <translation>原始音频（%1）没有自己的容器格式，已无损转换为 FLAC。</translation>
    </message>
    <message>
        <source>The original audio (%1) cannot be kept as it is; it was converted to Opus.</source>
        <translation>原始音频（%1）无法原样保留，已转换为 Opus。</translation>
    </message>
    <message>
        <source>The video has no sound.</source>
        <translation>该视频没有声音。</translation>
    </message>
    <message>
        <source>The audio of the video could not be told apart.</source>
        <translation>无法识别该视频的音频。</translation>
    </message>
    <message>
        <source>Even loudness does not apply to the original audio: it would need re-encoding.</source>
        <translation>统一响度不适用于原始音频：那需要重新编码。</translation>
    </message>
    <message>
        <source>The audio file would replace the video file itself: choose another output folder or format.</source>
        <translation>音频文件会替换视频文件本身：请选择其他输出文件夹或格式。</translation>
    </message>
    <message>
        <source>%1 is a file, not a folder for the chapters.</source>
        <translation>%1 是文件，而不是存放章节的文件夹。</translation>
    </message>
    <message>
        <source>The folder %1 could not be created: %2</source>
        <translation>无法创建文件夹 %1：%2</translation>
    </message>
    <message>
        <source>The loudness could not be measured (%1); it was left as it is.</source>
        <translation>无法测量响度（%1），已保持原样。</translation>
    </message>
    <message>
        <source>no summary</source>
        <translation>没有摘要</translation>
    </message>
    <message>
        <source>No cover picture: no temporary folder for it.</source>
        <translation>没有封面图片：没有可用的临时文件夹。</translation>
    </message>
    <message>
        <source>it could not be saved for the converter</source>
        <translation>无法为转换器保存图片</translation>
    </message>
    <message>
        <source>the page&apos;s picture address gave no picture</source>
        <translation>页面的图片地址没有返回图片</translation>
    </message>
    <message>
        <source>the picture could not be made JPEG (%1)</source>
        <translation>无法将图片转换为 JPEG（%1）</translation>
    </message>
    <message>
        <source>the picture could not be made JPEG</source>
        <translation>无法将图片转换为 JPEG</translation>
    </message>
    <message>
        <source>No cover picture: %1.</source>
        <translation>没有封面图片：%1。</translation>
    </message>
    <message>
        <source>The tags were not written: %1.</source>
        <translation>未写入标签：%1。</translation>
    </message>
</context>
<context>
    <name>AudioFormats</name>
    <message>
        <source>MP3 - High Quality Audio (256 Kbps, Stereo)</source>
        <translation>MP3 - 高音质 (256 Kbps, 立体声)</translation>
    </message>
    <message>
        <source>MP3 - Normal Quality Audio (128 Kbps, Stereo)</source>
        <translation>MP3 - 普通音质 (128 Kbps, 立体声)</translation>
    </message>
    <message>
        <source>MP3 - Economy Quality Audio (64 Kbps, Mono)</source>
        <translation>MP3 - 经济音质 (64 Kbps, 单声道)</translation>
    </message>
    <message>
        <source>WAV - Lossless Audio (Stereo)</source>
        <translation>WAV - 无损音频 (立体声)</translation>
    </message>
    <message>
        <source>WMA - Windows Media Audio (Stereo)</source>
        <translation>WMA - Windows Media Audio (立体声)</translation>
    </message>
    <message>
        <source>Original audio (no re-encoding)</source>
        <translation>原始音频 (不重新编码)</translation>
    </message>
    <message>
        <source>Opus (160 Kbps)</source>
        <translation>Opus (160 Kbps)</translation>
    </message>
    <message>
        <source>M4A - AAC (192 Kbps)</source>
        <translation>M4A - AAC (192 Kbps)</translation>
    </message>
    <message>
        <source>FLAC - Lossless</source>
        <translation>FLAC - 无损</translation>
    </message>
    <message>
        <source>OGG Vorbis (quality 6)</source>
        <translation>OGG Vorbis (质量 6)</translation>
    </message>
</context>
<context>
    <name>AudioTags</name>
    <message>
        <source>the audio file %1 could not be read for its tags</source>
        <translation>无法读取音频文件 %1 的标签</translation>
    </message>
    <message>
        <source>the audio file %1 has no format that carries tags</source>
        <translation>音频文件 %1 的格式不支持标签</translation>
    </message>
    <message>
        <source>the tags of %1 could not be saved</source>
        <translation>无法保存 %1 的标签</translation>
    </message>
</context>
<context>
    <name>CliItems</name>
    <message>
        <source>standard input</source>
        <translation>标准输入</translation>
    </message>
    <message>
        <source>%1, line %2: %3: %4</source>
        <translation>%1，第 %2 行：%3：%4</translation>
    </message>
    <message>
        <source>%1: 1 repeated line taken once</source>
        <translation>%1：1 行重复内容只取一次</translation>
    </message>
    <message>
        <source>%1: %2 repeated lines taken once</source>
        <translation>%1：%2 行重复内容只取一次</translation>
    </message>
    <message>
        <source>the archive %1 cannot be read: %2</source>
        <translation>无法读取存档 %1：%2</translation>
    </message>
    <message>
        <source>the archive %1 is larger than %2 MB</source>
        <translation>存档 %1 大于 %2 MB</translation>
    </message>
    <message>
        <source>the archive %1 cannot be written: %2</source>
        <translation>无法写入存档 %1：%2</translation>
    </message>
</context>
<context>
    <name>CliJob</name>
    <message>
        <source>1 video</source>
        <translation>1 个视频</translation>
    </message>
    <message>
        <source>%1 videos</source>
        <translation>%1 个视频</translation>
    </message>
    <message>
        <source>Looking for a list of videos: %1</source>
        <translation>正在查找视频列表：%1</translation>
    </message>
    <message>
        <source>Whether the page holds a list is not known (%1); its video alone is converted.</source>
        <translation>无法确定该页面是否包含列表（%1），只转换其视频。</translation>
    </message>
    <message>
        <source>This page holds a list of %1. Convert all of them?</source>
        <translation>该页面包含 %1 的列表。全部转换吗？</translation>
    </message>
    <message>
        <source>The page holds a list of %1; its video alone is converted.</source>
        <translation>该页面包含 %1 的列表，只转换其视频。</translation>
    </message>
    <message>
        <source>The list: %1</source>
        <translation>列表：%1</translation>
    </message>
    <message>
        <source>The list &quot;%1&quot;: %2</source>
        <translation>列表“%1”：%2</translation>
    </message>
    <message>
        <source> (%1 more left out)</source>
        <translation>（另有 %1 个被略去）</translation>
    </message>
    <message>
        <source>%1 from %2</source>
        <translation>%1，来自 %2</translation>
    </message>
    <message>
        <source>%1 is not a regular file</source>
        <translation>%1 不是普通文件</translation>
    </message>
    <message>
        <source>Already done (in the archive): %1</source>
        <translation>已完成（在存档中）：%1</translation>
    </message>
</context>
<context>
    <name>CliMain</name>
    <message>
        <source>%1 (clipwave-cli --help lists the options)</source>
        <translation>%1（clipwave-cli --help 列出所有选项）</translation>
    </message>
</context>
<context>
    <name>CliOptions</name>
    <message>
        <source>no video page address or local file given</source>
        <translation>未给出视频页面地址或本地文件</translation>
    </message>
    <message>
        <source>option --%1 takes no value</source>
        <translation>选项 --%1 不接受值</translation>
    </message>
    <message>
        <source>unknown option --%1</source>
        <translation>未知选项 --%1</translation>
    </message>
    <message>
        <source>unknown option -%1</source>
        <translation>未知选项 -%1</translation>
    </message>
    <message>
        <source>option %1 needs a value</source>
        <translation>选项 %1 需要一个值</translation>
    </message>
    <message>
        <source>the output folder is empty</source>
        <translation>输出文件夹为空</translation>
    </message>
    <message>
        <source>the list file&apos;s name is empty</source>
        <translation>列表文件名为空</translation>
    </message>
    <message>
        <source>standard input can be read as a list once</source>
        <translation>标准输入只能作为列表读取一次</translation>
    </message>
    <message>
        <source>the archive needs a file name</source>
        <translation>存档需要一个文件名</translation>
    </message>
    <message>
        <source>unknown format &apos;%1&apos; (%2)</source>
        <translation>未知格式“%1”（%2）</translation>
    </message>
    <message>
        <source>-y and -n exclude each other</source>
        <translation>-y 与 -n 不能同时使用</translation>
    </message>
    <message>
        <source>--playlist and --no-playlist exclude each other</source>
        <translation>--playlist 与 --no-playlist 不能同时使用</translation>
    </message>
    <message>
        <source>Usage: clipwave-cli [options] ADDRESS|FILE...
       clipwave-cli [options] -a LIST [ADDRESS|FILE...]
Turns the video of each page address, or each local video file, into an audio file.

  -o, --output DIR      output folder (default: the folder the window last used);
                        created when it does not exist
  -f, --format NAME     %1
                        (default: the format the window last used); original keeps the
                        video&apos;s audio as it is, in its codec&apos;s own file type
      --split-chapters  a video with chapters becomes a folder of one file per chapter
      --normalize       bring the audio to one loudness (-14 LUFS, peaks at most -1 dBTP)
  -a, --address-file LIST
                        also the addresses and files of the text file LIST, one per line
                        (blank lines and lines starting with # are skipped, repeats taken
                        once); - reads the list from standard input
      --playlist        a page that holds a list of videos: convert all of them, in order,
                        with track numbers and the list&apos;s title as album
      --no-playlist     a page that holds a list: convert the page&apos;s video alone
      --archive FILE    skip the items FILE lists as finished, and add each item that
                        ends well to it (a line: the page address or the file&apos;s absolute
                        path, a tab, the format&apos;s name)
  -y, --overwrite       replace existing output files without asking
  -n, --no-overwrite    keep existing output files; that item fails
  -q, --quiet           no progress display, only errors
  -h, --help            this text
      --version         the program&apos;s version

Without -y or -n an existing output file is asked about on the terminal, and kept when there is
no terminal. Without --playlist or --no-playlist a list is asked about on the terminal, and
without one the page&apos;s video alone is converted. When the list comes from standard input,
questions are asked on /dev/tty, or answered as without a terminal.
Exit status: 0 when every item ended as it should (skipped ones included), 1 when any failed
or a line of a list could not be read, 2 for a usage error, 130 after Ctrl-C, 143 after
SIGTERM.
</source>
        <translation>用法：clipwave-cli [选项] 地址|文件...
      clipwave-cli [选项] -a 列表 [地址|文件...]
将每个视频页面地址的视频或每个本地视频文件转换为音频文件。

  -o, --output 文件夹   输出文件夹（默认：窗口上次使用的文件夹）；不存在时会创建
  -f, --format 名称     %1
                        （默认：窗口上次使用的格式）；original 原样保留视频的音频，
                        使用其编码自己的文件类型
      --split-chapters  带章节的视频变成一个文件夹，每个章节一个文件
      --normalize       将音频调整到统一响度（-14 LUFS，峰值不超过 -1 dBTP）
  -a, --address-file 列表
                        另外处理文本文件“列表”中的地址和文件，每行一个（跳过空行和以 #
                        开头的行，重复的只取一次）；- 表示从标准输入读取列表
      --playlist        包含视频列表的页面：按顺序转换全部视频，带音轨编号，
                        并以列表标题作为专辑名
      --no-playlist     包含列表的页面：只转换该页面的视频
      --archive 文件    跳过“文件”中记为已完成的项目，并把每个顺利完成的项目添加进去
                        （每行：页面地址或文件的绝对路径、一个制表符、格式名称）
  -y, --overwrite       不询问直接替换已有的输出文件
  -n, --no-overwrite    保留已有的输出文件；该项目失败
  -q, --quiet           不显示进度，只显示错误
  -h, --help            显示本帮助
      --version         显示程序版本

未给出 -y 或 -n 时，会在终端上询问如何处理已有的输出文件；没有终端时保留该文件。
未给出 --playlist 或 --no-playlist 时，会在终端上询问如何处理列表；没有终端时只转换
页面的视频。列表来自标准输入时，问题在 /dev/tty 上提出，或按没有终端的情况回答。
退出状态：每个项目都按预期结束（包括跳过的）时为 0，有项目失败或列表中有行无法读取时
为 1，用法错误时为 2，Ctrl-C 后为 130，SIGTERM 后为 143。
</translation>
    </message>
</context>
<context>
    <name>ConvertProcess</name>
    <message>
        <source>The converted file could not be saved as %1: %2</source>
        <translation>无法将转换后的文件保存为 %1：%2</translation>
    </message>
    <message>
        <source>The converter was ended by signal %1.</source>
        <translation>转换器被信号 %1 终止。</translation>
    </message>
    <message>
        <source>A segment of the stream could not be fetched: %1</source>
        <translation>无法获取流的一个分段：%1</translation>
    </message>
    <message>
        <source>The stream ended early: %1 of %2 seconds were converted.</source>
        <translation>流提前结束：%2 秒中只转换了 %1 秒。</translation>
    </message>
    <message>
        <source>The converter left no output file.</source>
        <translation>转换器没有生成输出文件。</translation>
    </message>
    <message>
        <source>The converter ended with exit code %1.</source>
        <translation>转换器以退出码 %1 结束。</translation>
    </message>
</context>
<context>
    <name>CoverFetch</name>
    <message>
        <source>the picture is larger than %1 MB</source>
        <translation>图片大于 %1 MB</translation>
    </message>
    <message>
        <source>no picture within %1 seconds</source>
        <translation>%1 秒内没有收到图片</translation>
    </message>
    <message>
        <source>no reply</source>
        <translation>没有回应</translation>
    </message>
    <message>
        <source>the server answered %1</source>
        <translation>服务器返回 %1</translation>
    </message>
    <message>
        <source>the reply holds no picture</source>
        <translation>回应中没有图片</translation>
    </message>
</context>
<context>
    <name>DesktopNotification</name>
    <message>
        <source>Open folder</source>
        <translation>打开文件夹</translation>
    </message>
</context>
<context>
    <name>DownloadProgress</name>
    <message>
        <source>%1 of %2 %3</source>
        <translation>%1 / %2 %3</translation>
    </message>
</context>
<context>
    <name>DownloadWindow</name>
    <message>
        <source>Get html from the URL, please wait...</source>
        <translation>正在获取网页，请稍候...</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>停止</translation>
    </message>
    <message>
        <source>Details</source>
        <translation>详细信息</translation>
    </message>
    <message>
        <source>Download Size: </source>
        <translation>下载大小：</translation>
    </message>
    <message>
        <source>Estimating time remaining: </source>
        <translation>估计剩余时间：</translation>
    </message>
    <message>
        <source>Download Speed：</source>
        <translation>下载速度：</translation>
    </message>
    <message>
        <source>Converting</source>
        <translation>正在转换</translation>
    </message>
    <message>
        <source>Time elapsed: </source>
        <translation>已用时间：</translation>
    </message>
    <message>
        <source>Time estimated: </source>
        <translation>预计时间：</translation>
    </message>
    <message>
        <source>Downloading: %1 ...</source>
        <translation>正在下载：%1 ...</translation>
    </message>
    <message>
        <source>Chapter %1 of %2: %3</source>
        <translation>第 %1 章（共 %2 章）：%3</translation>
    </message>
</context>
<context>
    <name>Job</name>
    <message>
        <source>This video is offered only in segments (HLS or DASH), which can be converted but not kept as a video file.</source>
        <translation>该视频只以分段形式提供（HLS 或 DASH），可以转换，但不能保存为视频文件。</translation>
    </message>
    <message>
        <source>No cover picture: %1.</source>
        <translation>没有封面图片：%1。</translation>
    </message>
    <message>
        <source>The conversion of the stream failed.

%1</source>
        <translation>流转换失败。

%1</translation>
    </message>
    <message>
        <source>The conversion failed; the video file was kept.

%1</source>
        <translation>转换失败，视频文件已保留。

%1</translation>
    </message>
</context>
<context>
    <name>LoginDialog</name>
    <message>
        <source>Member Login</source>
        <translation>会员登录</translation>
    </message>
    <message>
        <source>Username:</source>
        <translation>用户名：</translation>
    </message>
    <message>
        <source>Password:</source>
        <translation>密码：</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>确定(&amp;O)</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>取消(&amp;C)</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Convert youtube video to mp3</source>
        <translation>将 YouTube 视频转换为 MP3</translation>
    </message>
    <message>
        <source>Check for updates...</source>
        <translation>检查更新...</translation>
    </message>
    <message>
        <source>Browser...</source>
        <translation>浏览...</translation>
    </message>
    <message>
        <source>Select local video file</source>
        <translation>选择本地视频文件</translation>
    </message>
    <message>
        <source>Output Folder:</source>
        <translation>输出文件夹：</translation>
    </message>
    <message>
        <source>Set your default output folder</source>
        <translation>设置默认输出文件夹</translation>
    </message>
    <message>
        <source>Convert to:</source>
        <translation>转换为：</translation>
    </message>
    <message>
        <source>Download and convert video from YouTube</source>
        <translation>从 YouTube 下载并转换视频</translation>
    </message>
    <message>
        <source>Convert video from local FLV file</source>
        <translation>转换本地 FLV 视频文件</translation>
    </message>
    <message>
        <source>Click to popup the menu</source>
        <translation>单击打开菜单</translation>
    </message>
    <message>
        <source>Advanced</source>
        <translation>高级</translation>
    </message>
    <message>
        <source>Start...</source>
        <translation>开始...</translation>
    </message>
    <message>
        <source>Show Files...</source>
        <translation>查看文件...</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>退出</translation>
    </message>
    <message>
        <source>&amp;Home Page</source>
        <translation>主页(&amp;H)</translation>
    </message>
    <message>
        <source>&amp;Donate</source>
        <translation>捐助(&amp;D)</translation>
    </message>
    <message>
        <source>&amp;Set YouTube Account</source>
        <translation>设置 YouTube 帐户(&amp;S)</translation>
    </message>
    <message>
        <source>Sign in to a site...</source>
        <translation>登录网站...</translation>
    </message>
    <message>
        <source>Split into chapters</source>
        <translation>按章节拆分</translation>
    </message>
    <message>
        <source>Even loudness</source>
        <translation>统一响度</translation>
    </message>
    <message>
        <source>&amp;Queue...</source>
        <translation>队列(&amp;Q)...</translation>
    </message>
    <message>
        <source>&amp;About...</source>
        <translation>关于(&amp;A)...</translation>
    </message>
    <message>
        <source>1 item was not finished. Continue?</source>
        <translation>有 1 项未完成。继续吗？</translation>
    </message>
    <message>
        <source>%1 items were not finished. Continue?</source>
        <translation>有 %1 项未完成。继续吗？</translation>
    </message>
    <message>
        <source>This page holds a list of 1 video. Convert all of them?</source>
        <translation>该页面包含 1 个视频的列表。全部转换吗？</translation>
    </message>
    <message>
        <source>This page holds a list of %1 videos. Convert all of them?</source>
        <translation>该页面包含 %1 个视频的列表。全部转换吗？</translation>
    </message>
    <message>
        <source>Playlist</source>
        <translation>播放列表</translation>
    </message>
</context>
<context>
    <name>PageRules</name>
    <message>
        <source>This video may contain content that is inappropriate for some users, as flagged by YouTube&quot;s user commnunity. To view this video, please verify you are 18 or older by logging in or signing up.<byte value="xd"/>
<byte value="xd"/>
Please log in your account in the window of &quot;Sign in to a site...&quot; (the program&apos;s menu) firstly. You need to check the option &quot;Stay signed in&quot;. It&quot;s better to change the YouTube show languages to English. Then download the video again.</source>
        <translation>该视频可能包含被 YouTube 用户社区标记为不适合某些用户观看的内容。要观看该视频，请登录或注册以确认您已年满 18 岁。<byte value="xd"/>
<byte value="xd"/>
请先在“登录网站...”窗口（程序菜单中）登录您的帐户，并勾选“保持登录状态”选项。最好将 YouTube 的显示语言改为英语，然后重新下载该视频。</translation>
    </message>
</context>
<context>
    <name>PartFile</name>
    <message>
        <source>Cannot rename &quot;%1&quot; to &quot;%2&quot;: %3</source>
        <translation>无法将“%1”重命名为“%2”：%3</translation>
    </message>
</context>
<context>
    <name>PlaylistProbe</name>
    <message>
        <source>the list holds no entries</source>
        <translation>列表中没有条目</translation>
    </message>
    <message>
        <source>the list holds no video</source>
        <translation>列表中没有视频</translation>
    </message>
    <message>
        <source>yt-dlp gave no usable answer: the output is too large</source>
        <translation>yt-dlp 没有给出可用的回应：输出过大</translation>
    </message>
    <message>
        <source>yt-dlp gave no usable answer: %1</source>
        <translation>yt-dlp 没有给出可用的回应：%1</translation>
    </message>
</context>
<context>
    <name>ProgressView</name>
    <message>
        <source>Get html from the URL, please wait... %1</source>
        <translation>正在获取网页，请稍候... %1</translation>
    </message>
    <message>
        <source>Downloading: %1 ...</source>
        <translation>正在下载：%1 ...</translation>
    </message>
    <message>
        <source>Converting: %1 ...</source>
        <translation>正在转换：%1 ...</translation>
    </message>
    <message>
        <source>Chapter %1 of %2: %3</source>
        <translation>第 %1 章（共 %2 章）：%3</translation>
    </message>
    <message>
        <source> (-y replaces it)</source>
        <translation>（-y 会替换它）</translation>
    </message>
    <message>
        <source>Found the video: %1</source>
        <translation>找到视频：%1</translation>
    </message>
    <message>
        <source>Downloaded: %1</source>
        <translation>已下载：%1</translation>
    </message>
    <message>
        <source>Converted: %1</source>
        <translation>已转换：%1</translation>
    </message>
    <message>
        <source>converted %1%  </source>
        <translation>已转换 %1%  </translation>
    </message>
    <message>
        <source>  %1 left</source>
        <translation>  剩余 %1</translation>
    </message>
    <message>
        <source>Time elapsed: %1  Time estimated: %2</source>
        <translation>已用时间：%1  预计时间：%2</translation>
    </message>
</context>
<context>
    <name>QtDialogs</name>
    <message>
        <source>All</source>
        <translation>全部</translation>
    </message>
    <message>
        <source>Only this video</source>
        <translation>仅此视频</translation>
    </message>
</context>
<context>
    <name>Queue</name>
    <message>
        <source>%1 done</source>
        <translation>%1 项完成</translation>
    </message>
    <message>
        <source>%1 done, %2 failed</source>
        <translation>%1 项完成，%2 项失败</translation>
    </message>
</context>
<context>
    <name>QueueStore</name>
    <message>
        <source>The queue&apos;s database %1 %2</source>
        <translation>队列数据库 %1 %2</translation>
    </message>
    <message>
        <source>; it was moved to %1 and a new one was made.</source>
        <translation>；已将其移至 %1 并新建了一个。</translation>
    </message>
    <message>
        <source>.</source>
        <translation>。</translation>
    </message>
    <message>
        <source>; it was moved to %1</source>
        <translation>；已将其移至 %1</translation>
    </message>
    <message>
        <source>, and no new one could be made there: the queue is kept in memory until Clipwave closes.</source>
        <translation>，且无法在那里新建：在 Clipwave 关闭前，队列只保存在内存中。</translation>
    </message>
    <message>
        <source>could not be opened: Qt&apos;s SQLite driver (libqt6sql6-sqlite) is missing</source>
        <translation>无法打开：缺少 Qt 的 SQLite 驱动（libqt6sql6-sqlite）</translation>
    </message>
    <message>
        <source>could not be opened (%1)</source>
        <translation>无法打开（%1）</translation>
    </message>
    <message>
        <source>could not be read (%1)</source>
        <translation>无法读取（%1）</translation>
    </message>
    <message>
        <source>was written by a newer version of Clipwave (layout %1)</source>
        <translation>由更新版本的 Clipwave 写入（布局 %1）</translation>
    </message>
    <message>
        <source>is damaged (%1)</source>
        <translation>已损坏（%1）</translation>
    </message>
    <message>
        <source>could not be written (%1)</source>
        <translation>无法写入（%1）</translation>
    </message>
</context>
<context>
    <name>QueueWindow</name>
    <message>
        <source>waiting</source>
        <translation>等待中</translation>
    </message>
    <message>
        <source>finding the stream</source>
        <translation>正在查找流</translation>
    </message>
    <message>
        <source>downloading %1%</source>
        <translation>正在下载 %1%</translation>
    </message>
    <message>
        <source>converting %1%</source>
        <translation>正在转换 %1%</translation>
    </message>
    <message>
        <source>done</source>
        <translation>已完成</translation>
    </message>
    <message>
        <source>failed</source>
        <translation>失败</translation>
    </message>
    <message>
        <source>failed: %1</source>
        <translation>失败：%1</translation>
    </message>
    <message>
        <source>stopped</source>
        <translation>已停止</translation>
    </message>
    <message>
        <source>exists: the audio file was kept</source>
        <translation>已存在：音频文件已保留</translation>
    </message>
    <message>
        <source>already done</source>
        <translation>早已完成</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>标题</translation>
    </message>
    <message>
        <source>State</source>
        <translation>状态</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>进度</translation>
    </message>
    <message>
        <source>Queue - %1</source>
        <translation>队列 - %1</translation>
    </message>
    <message>
        <source>Show:</source>
        <translation>显示：</translation>
    </message>
    <message>
        <source>All</source>
        <translation>全部</translation>
    </message>
    <message>
        <source>Running</source>
        <translation>运行中</translation>
    </message>
    <message>
        <source>Waiting</source>
        <translation>等待中</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>已完成</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>失败</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>停止</translation>
    </message>
    <message>
        <source>Retry</source>
        <translation>重试</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>移除</translation>
    </message>
    <message>
        <source>Show file</source>
        <translation>查看文件</translation>
    </message>
    <message>
        <source>Start all</source>
        <translation>全部开始</translation>
    </message>
    <message>
        <source>Stop all</source>
        <translation>全部停止</translation>
    </message>
    <message>
        <source>Run at once:</source>
        <translation>同时运行：</translation>
    </message>
    <message>
        <source>When the audio file exists:</source>
        <translation>音频文件已存在时：</translation>
    </message>
    <message>
        <source>keep it</source>
        <translation>保留</translation>
    </message>
    <message>
        <source>replace it</source>
        <translation>替换</translation>
    </message>
    <message>
        <source>%1 running, %2 waiting, %3 done, %4 failed</source>
        <translation>%1 项运行中，%2 项等待中，%3 项已完成，%4 项失败</translation>
    </message>
    <message>
        <source> - adding: %1 of %2 left</source>
        <translation> - 正在添加：还剩 %1 / %2</translation>
    </message>
</context>
<context>
    <name>ResolverCookieFile</name>
    <message>
        <source>there is no private folder for the sign-in cookies ($XDG_RUNTIME_DIR is not set)</source>
        <translation>没有存放登录 Cookie 的私有文件夹（未设置 $XDG_RUNTIME_DIR）</translation>
    </message>
    <message>
        <source>the folder for the sign-in cookies could not be made in %1: %2</source>
        <translation>无法在 %1 中创建存放登录 Cookie 的文件夹：%2</translation>
    </message>
    <message>
        <source>the file for the sign-in cookies could not be made: %1</source>
        <translation>无法创建登录 Cookie 文件：%1</translation>
    </message>
    <message>
        <source>the file for the sign-in cookies could not be written</source>
        <translation>无法写入登录 Cookie 文件</translation>
    </message>
</context>
<context>
    <name>ResolverLocator</name>
    <message>
        <source>%1
No sign-in of this site was found: sign in with &quot;Sign in to a site...&quot; and try again.</source>
        <translation>%1
未找到该网站的登录信息：请用“登录网站...”登录后重试。</translation>
    </message>
    <message>
        <source>yt-dlp %1 is too old for today&apos;s YouTube: install a newer one with %2</source>
        <translation>yt-dlp %1 对如今的 YouTube 来说太旧：请用 %2 安装新版本</translation>
    </message>
    <message>
        <source>yt-dlp %1 may be too old for this site: install a newer one with %2</source>
        <translation>yt-dlp %1 对该网站可能太旧：请用 %2 安装新版本</translation>
    </message>
    <message>
        <source>yt-dlp found no JavaScript runtime, which today&apos;s YouTube needs: install deno, or node 20 or newer, quickjs or bun</source>
        <translation>yt-dlp 找不到如今的 YouTube 所需的 JavaScript 运行环境：请安装 deno，或 node 20 及以上版本、quickjs 或 bun</translation>
    </message>
    <message>
        <source>yt-dlp is missing its EJS scripts: install it with them, with %1</source>
        <translation>yt-dlp 缺少 EJS 脚本：请连同脚本一起安装，使用 %1</translation>
    </message>
    <message>
        <source>node %1 is older than %2</source>
        <translation>node %1 低于 %2</translation>
    </message>
    <message>
        <source>%1
The sign-in could not be given to yt-dlp: %2</source>
        <translation>%1
无法将登录信息交给 yt-dlp：%2</translation>
    </message>
    <message>
        <source>yt-dlp gave no usable answer: the output is too large</source>
        <translation>yt-dlp 没有给出可用的回应：输出过大</translation>
    </message>
    <message>
        <source>yt-dlp gave no usable answer: %1</source>
        <translation>yt-dlp 没有给出可用的回应：%1</translation>
    </message>
</context>
<context>
    <name>ResolverOutput</name>
    <message>
        <source>the output is too large</source>
        <translation>输出过大</translation>
    </message>
    <message>
        <source>nothing was printed</source>
        <translation>没有任何输出</translation>
    </message>
    <message>
        <source>the output is not a JSON object</source>
        <translation>输出不是 JSON 对象</translation>
    </message>
    <message>
        <source>no video on the page</source>
        <translation>页面上没有视频</translation>
    </message>
    <message>
        <source>no stream served as one file over http: or https:, or as an HLS or DASH playlist</source>
        <translation>没有以单个文件（http: 或 https:）或 HLS、DASH 播放列表形式提供的流</translation>
    </message>
</context>
<context>
    <name>ResolverProcess</name>
    <message>
        <source>1 second</source>
        <translation>1 秒</translation>
    </message>
    <message>
        <source>%1 seconds</source>
        <translation>%1 秒</translation>
    </message>
    <message>
        <source>yt-dlp could not be started (error %1)</source>
        <translation>无法启动 yt-dlp（错误 %1）</translation>
    </message>
    <message>
        <source>yt-dlp gave no answer within %1</source>
        <translation>yt-dlp 在 %1 内没有回应</translation>
    </message>
    <message>
        <source>yt-dlp ended with exit code %1</source>
        <translation>yt-dlp 以退出码 %1 结束</translation>
    </message>
    <message>
        <source>yt-dlp ended with signal %1</source>
        <translation>yt-dlp 被信号 %1 终止</translation>
    </message>
</context>
<context>
    <name>SegmentedStream</name>
    <message>
        <source>This video is offered only in segments (HLS or DASH), which ffmpeg reads itself, and ffmpeg cannot go through the SOCKS proxy that is set (all_proxy): the video was not fetched.</source>
        <translation>该视频只以分段形式提供（HLS 或 DASH），由 ffmpeg 自行读取，而 ffmpeg 无法通过已设置的 SOCKS 代理（all_proxy）：未能获取该视频。</translation>
    </message>
</context>
<context>
    <name>SignInWindow</name>
    <message>
        <source>Sign in to a site</source>
        <translation>登录网站</translation>
    </message>
</context>
<context>
    <name>StartChecks</name>
    <message>
        <source>The audio file would replace the video file itself: choose another output folder or format.</source>
        <translation>音频文件会替换视频文件本身：请选择其他输出文件夹或格式。</translation>
    </message>
</context>
<context>
    <name>StartRequest</name>
    <message>
        <source>Flv files(*.flv)|*.flv| Any file(*.*)|*.*</source>
        <translation>FLV 文件(*.flv)|*.flv| 所有文件(*.*)|*.*</translation>
    </message>
</context>
<context>
    <name>StreamDownload</name>
    <message>
        <source>Unable to download %1: %2</source>
        <translation>无法下载 %1：%2</translation>
    </message>
    <message>
        <source>the reply is not HTTP</source>
        <translation>回应不是 HTTP</translation>
    </message>
    <message>
        <source>%1 (a part that was not asked for)</source>
        <translation>%1（并未请求的部分）</translation>
    </message>
    <message>
        <source>%1 (no video in the reply)</source>
        <translation>%1（回应中没有视频）</translation>
    </message>
    <message>
        <source>%1 (other bytes than asked for)</source>
        <translation>%1（与请求不符的字节）</translation>
    </message>
    <message>
        <source> (continued %1 times; %2 KB of %3 KB kept for the next download)</source>
        <translation>（已续传 %1 次；%3 KB 中的 %2 KB 已保留，供下次下载）</translation>
    </message>
    <message>
        <source> (%1 KB of %2 KB kept for the next download)</source>
        <translation>（%2 KB 中的 %1 KB 已保留，供下次下载）</translation>
    </message>
</context>
<context>
    <name>Strings</name>
    <message>
        <source>Please enter Username.</source>
        <translation>请输入用户名。</translation>
    </message>
    <message>
        <source>Please enter Password.</source>
        <translation>请输入密码。</translation>
    </message>
    <message>
        <source>Please enter video URL!</source>
        <translation>请输入视频网址！</translation>
    </message>
    <message>
        <source>Please select a local video file!</source>
        <translation>请选择本地视频文件！</translation>
    </message>
    <message>
        <source>Please select the directory to add</source>
        <translation>请选择要添加的文件夹</translation>
    </message>
    <message>
        <source>Unable get html from the url. Please try again later!</source>
        <translation>无法获取该网址的网页，请稍后再试！</translation>
    </message>
    <message>
        <source>Please enter the url like http://www.youtube.com/watch?v=Xq0TXIuQ5zk</source>
        <translation>请输入类似这样的网址 http://www.youtube.com/watch?v=Xq0TXIuQ5zk</translation>
    </message>
    <message>
        <source>Unable get html from %1</source>
        <translation>无法获取 %1 的网页</translation>
    </message>
    <message>
        <source>received</source>
        <translation>已接收</translation>
    </message>
    <message>
        <source>Select video file:</source>
        <translation>选择视频文件：</translation>
    </message>
    <message>
        <source>Enter video URL (Example: </source>
        <translation>输入视频网址 (例如: </translation>
    </message>
    <message>
        <source>%1 has existed,overite it?</source>
        <translation>%1 已存在，要覆盖吗？</translation>
    </message>
    <message>
        <source>%1, the output directory does not exist.</source>
        <translation>%1：输出文件夹不存在。</translation>
    </message>
    <message>
        <source>creates a new directory?</source>
        <translation>要创建新文件夹吗？</translation>
    </message>
    <message>
        <source>Error while creating convert process!</source>
        <translation>创建转换进程时出错！</translation>
    </message>
    <message>
        <source>Video file will be created may be used, convert process failed!</source>
        <translation>要创建的文件可能正被使用，转换失败！</translation>
    </message>
    <message>
        <source>Please check whether the video file exist.</source>
        <translation>请检查视频文件是否存在。</translation>
    </message>
</context>
<context>
    <name>WebEngineModule</name>
    <message>
        <source>Video pages cannot be loaded: the web engine module of this copy of Clipwave is missing or could not be started. Local video files can still be converted.</source>
        <translation>无法加载视频页面：此 Clipwave 副本的网页引擎模块缺失或无法启动。仍可转换本地视频文件。</translation>
    </message>
</context>
</TS>
