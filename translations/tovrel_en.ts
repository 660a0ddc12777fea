<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>ActivityRules</name>
    <message>
        <source>请先停止播放！</source>
        <translation>Stop the playback first!</translation>
    </message>
    <message>
        <source>请先停止转换！</source>
        <translation>Stop the conversion first!</translation>
    </message>
    <message>
        <source>请先停止上传！</source>
        <translation>Stop the upload first!</translation>
    </message>
    <message>
        <source>请先停止播放文件！</source>
        <translation>Stop playing the file first!</translation>
    </message>
</context>
<context>
    <name>AtomicFile</name>
    <message>
        <source>文件没有打开</source>
        <translation>the file is not open</translation>
    </message>
    <message>
        <source>无法重命名临时文件</source>
        <translation>cannot rename the temporary file</translation>
    </message>
    <message>
        <source>找不到可用的临时文件名</source>
        <translation>no free temporary name</translation>
    </message>
</context>
<context>
    <name>AudioFileWriter</name>
    <message>
        <source>FLAC 编码失败：%1</source>
        <translation>FLAC encoding failed: %1</translation>
    </message>
    <message>
        <source>内存不足</source>
        <translation>Out of memory</translation>
    </message>
    <message>
        <source>MP3 编码失败（LAME 错误 %1）</source>
        <translation>MP3 encoding failed (LAME error %1)</translation>
    </message>
    <message>
        <source>Opus 编码失败：%1</source>
        <translation>Opus encoding failed: %1</translation>
    </message>
</context>
<context>
    <name>AudioFormat</name>
    <message>
        <source>Opus 的码率必须在 6 到 256 kbit/s 之间</source>
        <translation>The bit rate of Opus must lie between 6 and 256 kbit/s</translation>
    </message>
    <message>
        <source>MP3 的码率必须是 8、16、24、32、40、48、56 或 64 kbit/s</source>
        <translation>The bit rate of MP3 must be 8, 16, 24, 32, 40, 48, 56 or 64 kbit/s</translation>
    </message>
    <message>
        <source>%1 格式没有码率可选</source>
        <translation>The %1 format takes no bit rate</translation>
    </message>
</context>
<context>
    <name>BiffWorkbook</name>
    <message>
        <source>第 %1 行第 %2 列的文字超过 %3 个字符，工作簿的单元格存不下</source>
        <translation>The text in row %1, column %2 is longer than %3 characters; a cell of the workbook cannot hold it</translation>
    </message>
</context>
<context>
    <name>ContactBook</name>
    <message>
        <source>无法读取通讯录 %1：%2</source>
        <translation>the contact book %1 cannot be read: %2</translation>
    </message>
    <message>
        <source>无法创建文件夹 %1</source>
        <translation>the folder %1 cannot be made</translation>
    </message>
    <message>
        <source>无法写入通讯录 %1：%2</source>
        <translation>the contact book %1 cannot be written: %2</translation>
    </message>
</context>
<context>
    <name>ContactFiles</name>
    <message>
        <source>有一个引号字段没有结束</source>
        <translation>a quoted field is not closed</translation>
    </message>
    <message>
        <source>第 %1 行没有号码列</source>
        <translation>line %1 has no number column</translation>
    </message>
    <message>
        <source>%1：既不是 vCard 文件，也不是 CSV 文件（.csv）</source>
        <translation>%1: neither a vCard file nor a CSV file (.csv)</translation>
    </message>
    <message>
        <source>%1：没有既有姓名又有号码的联系人</source>
        <translation>%1: no contact with a name and a number</translation>
    </message>
</context>
<context>
    <name>ConversionWorker</name>
    <message>
        <source>打开文件失败！</source>
        <translation>Cannot open the file!</translation>
    </message>
    <message>
        <source>创建文件失败！</source>
        <translation>Cannot create the file!</translation>
    </message>
    <message>
        <source>写入文件失败！</source>
        <translation>Cannot write the file!</translation>
    </message>
    <message>
        <source>读取文件失败！</source>
        <translation>Cannot read the file!</translation>
    </message>
</context>
<context>
    <name>FileTime</name>
    <message>
        <source>没有有效的时间</source>
        <translation>no valid time</translation>
    </message>
</context>
<context>
    <name>FolderPicker</name>
    <message>
        <source>文件夹</source>
        <translation>Folder</translation>
    </message>
</context>
<context>
    <name>FolderScan</name>
    <message>
        <source>此目录没有任何可支持的文件！</source>
        <translation>This folder holds no supported files!</translation>
    </message>
    <message>
        <source>文件夹不存在!</source>
        <translation>The folder does not exist!</translation>
    </message>
    <message>
        <source>无法读取此目录！</source>
        <translation>This folder cannot be read!</translation>
    </message>
    <message>
        <source>以下文件无法读取：
</source>
        <translation>These files cannot be read:
</translation>
    </message>
</context>
<context>
    <name>FolderSwap</name>
    <message>
        <source>%1：%2（%3）</source>
        <translation>%1: %2 (%3)</translation>
    </message>
    <message>
        <source>无法创建目录</source>
        <translation>Cannot create the folder</translation>
    </message>
    <message>
        <source>无法保存为</source>
        <translation>Cannot save as</translation>
    </message>
    <message>
        <source>无法替换</source>
        <translation>Cannot replace</translation>
    </message>
    <message>
        <source>无法删除</source>
        <translation>Cannot delete</translation>
    </message>
    <message>
        <source>打开文件失败</source>
        <translation>Cannot open the file</translation>
    </message>
    <message>
        <source>创建文件失败</source>
        <translation>Cannot create the file</translation>
    </message>
    <message>
        <source>读取文件失败</source>
        <translation>Cannot read the file</translation>
    </message>
    <message>
        <source>写入文件失败</source>
        <translation>Cannot write the file</translation>
    </message>
    <message>
        <source>原有内容保留在</source>
        <translation>The earlier contents are kept in</translation>
    </message>
</context>
<context>
    <name>Language</name>
    <message>
        <source>--lang 缺少语言（en 或 zh）</source>
        <translation>--lang lacks a language (en or zh)</translation>
    </message>
    <message>
        <source>未知的语言：%1（en 或 zh）</source>
        <translation>Unknown language: %1 (en or zh)</translation>
    </message>
</context>
<context>
    <name>MessageSink</name>
    <message>
        <source>Tovrel录音电话PC管理软件</source>
        <translation>Tovrel Recording Telephone PC Manager</translation>
    </message>
</context>
<context>
    <name>NativePath</name>
    <message>
        <source>不是普通文件</source>
        <translation>not a regular file</translation>
    </message>
</context>
<context>
    <name>NoteEditor</name>
    <message>
        <source>编辑备注</source>
        <translation>Edit note</translation>
    </message>
</context>
<context>
    <name>PasswordCheck</name>
    <message>
        <source>密码错误，无法登录</source>
        <translation>Wrong password, cannot log in</translation>
    </message>
</context>
<context>
    <name>PasswordKeyring</name>
    <message>
        <source>没有正在运行的密钥环（Secret Service），无法记住密码</source>
        <translation>No keyring (Secret Service) is running, so the password cannot be remembered</translation>
    </message>
    <message>
        <source>没有会话总线（D-Bus），无法使用密钥环记住密码</source>
        <translation>There is no session bus (D-Bus), so no keyring can remember the password</translation>
    </message>
    <message>
        <source>密钥环读取密码失败：%1</source>
        <translation>The keyring could not read the password: %1</translation>
    </message>
    <message>
        <source>密钥环保存密码失败：%1</source>
        <translation>The keyring could not store the password: %1</translation>
    </message>
    <message>
        <source>密钥环删除密码失败：%1</source>
        <translation>The keyring could not remove the password: %1</translation>
    </message>
    <message>
        <source>密钥环在 %1 秒内没有应答</source>
        <translation>The keyring did not answer within %1 seconds</translation>
    </message>
</context>
<context>
    <name>PlaybackControl</name>
    <message>
        <source>暂停后回退2秒</source>
        <translation>Back 2 s after pause</translation>
    </message>
</context>
<context>
    <name>PlaybackMessage</name>
    <message>
        <source>警告</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>没有音频设备！</source>
        <translation>No audio device!</translation>
    </message>
    <message>
        <source>错误</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>内存不足</source>
        <translation>Out of memory</translation>
    </message>
    <message>
        <source>播放中断：音频设备停止了播放！</source>
        <translation>Playback interrupted: the audio device stopped playing!</translation>
    </message>
    <message>
        <source>不是录音文件（%1）</source>
        <translation>Not a recording (%1)</translation>
    </message>
    <message>
        <source>不是完整的录音（%1）</source>
        <translation>Not a whole recording (%1)</translation>
    </message>
    <message>
        <source>录音数据已损坏，无法继续播放！</source>
        <translation>The recording&apos;s data is corrupted; playback cannot go on!</translation>
    </message>
</context>
<context>
    <name>RecordingCell</name>
    <message>
        <source>%1小时%2分钟%3秒</source>
        <translation>%1 h %2 min %3 s</translation>
    </message>
    <message>
        <source>%1 时%2 分%3 秒</source>
        <translation>%1 h %2 min %3 s</translation>
    </message>
    <message>
        <source>%1分钟%2秒</source>
        <translation>%1 min %2 s</translation>
    </message>
    <message>
        <source>%1 分%2 秒</source>
        <translation>%1 min %2 s</translation>
    </message>
    <message>
        <source>%1秒</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>%1 秒</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>来电</source>
        <translation>Incoming</translation>
    </message>
    <message>
        <source>去电</source>
        <translation>Outgoing</translation>
    </message>
    <message>
        <source>录音</source>
        <translation>Recording</translation>
    </message>
</context>
<context>
    <name>RecordingConversion</name>
    <message>
        <source>不是录音文件（%1）</source>
        <translation>Not a recording (%1)</translation>
    </message>
    <message>
        <source>不是完整的录音（%1）</source>
        <translation>Not a whole recording (%1)</translation>
    </message>
    <message>
        <source>录音数据已损坏</source>
        <translation>the recording&apos;s data is corrupted</translation>
    </message>
    <message>
        <source>文件没能读到结尾</source>
        <translation>the file could not be read to its end</translation>
    </message>
    <message>
        <source>同名的 WAV 文件已存在，没有替换它</source>
        <translation>a WAV file of that name exists already and was not replaced</translation>
    </message>
    <message>
        <source>WAV 只含能转换的部分</source>
        <translation>the WAV holds only what could be converted</translation>
    </message>
    <message>
        <source>没有转换</source>
        <translation>not converted</translation>
    </message>
    <message>
        <source>%1，%2</source>
        <translation>%1, %2</translation>
    </message>
    <message>
        <source>文件在文件头后第 %1 字节处结束</source>
        <translation>the file ended %1 bytes after its header</translation>
    </message>
</context>
<context>
    <name>RecordingNote</name>
    <message>
        <source>备注文件 %1: %2</source>
        <translation>Note file %1: %2</translation>
    </message>
    <message>
        <source>文件太大</source>
        <translation>file too large</translation>
    </message>
    <message>
        <source>不是UTF-8文本</source>
        <translation>not UTF-8 text</translation>
    </message>
</context>
<context>
    <name>RecordingWholeness</name>
    <message>
        <source>文件太短，没有完整的文件头</source>
        <translation>File too short, no whole header</translation>
    </message>
    <message>
        <source>文件不完整：缺少 %1 字节</source>
        <translation>File not whole: %1 bytes missing</translation>
    </message>
    <message>
        <source>文件过长：多出 %1 字节</source>
        <translation>File too long: %1 bytes too many</translation>
    </message>
    <message>
        <source>无法读取：</source>
        <translation>Cannot read: </translation>
    </message>
    <message>
        <source>文件头中的日期或时间不存在</source>
        <translation>the date or time in the header does not exist</translation>
    </message>
</context>
<context>
    <name>RecordingsExport</name>
    <message>
        <source>%1 %2（%3）</source>
        <translation>%1 %2 (%3)</translation>
    </message>
    <message>
        <source>转换未完成</source>
        <translation>The conversion did not finish</translation>
    </message>
    <message>
        <source>目录不存在：%1</source>
        <translation>The folder does not exist: %1</translation>
    </message>
    <message>
        <source>旧的录音目录未能删除：%1</source>
        <translation>The old recordings folder could not be deleted: %1</translation>
    </message>
    <message>
        <source>%1：%2</source>
        <translation>%1: %2</translation>
    </message>
</context>
<context>
    <name>ReportColumn</name>
    <message>
        <source>序号</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>文件名</source>
        <translation>File name</translation>
    </message>
    <message>
        <source>电话号码  </source>
        <translation>Phone number  </translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>属性</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>文件长度</source>
        <translation>File size</translation>
    </message>
    <message>
        <source>时长   </source>
        <translation>Duration   </translation>
    </message>
    <message>
        <source>联系人</source>
        <translation>Contact</translation>
    </message>
    <message>
        <source>电话号码</source>
        <translation>Phone number</translation>
    </message>
    <message>
        <source>时长</source>
        <translation>Duration</translation>
    </message>
    <message>
        <source>文件路径</source>
        <translation>File path</translation>
    </message>
    <message>
        <source>备注</source>
        <translation>Note</translation>
    </message>
</context>
<context>
    <name>SearchCommand</name>
    <message>
        <source>列表空！</source>
        <translation>The list is empty!</translation>
    </message>
</context>
<context>
    <name>SearchCriteria</name>
    <message>
        <source>没设置目录</source>
        <translation>No folder set</translation>
    </message>
    <message>
        <source>起止日期设置错误</source>
        <translation>The start and end dates are wrong</translation>
    </message>
    <message>
        <source>起止时间设置错误</source>
        <translation>The start and end times are wrong</translation>
    </message>
    <message>
        <source>文件打开错误！</source>
        <translation>File open error!</translation>
    </message>
    <message>
        <source>此目录没有符合要求的文件！</source>
        <translation>This folder holds no matching files!</translation>
    </message>
    <message>
        <source>只能输入数字！</source>
        <translation>Only digits can be entered!</translation>
    </message>
    <message>
        <source>总计录音文件:%1个 来电:%2个 去电:%3个 本地:%4个</source>
        <translation>Recordings in all: %1  Incoming: %2  Outgoing: %3  Local: %4</translation>
    </message>
</context>
<context>
    <name>SpreadsheetExport</name>
    <message>
        <source>文件已经存在,是否删除?</source>
        <translation>The file already exists. Delete it?</translation>
    </message>
    <message>
        <source>警告</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>放弃操作</source>
        <translation>Operation abandoned</translation>
    </message>
    <message>
        <source>导出 Excel 结束！</source>
        <translation>Export to Excel finished!</translation>
    </message>
    <message>
        <source>导出 Excel </source>
        <translation>Export to Excel </translation>
    </message>
    <message>
        <source>导出 Excel</source>
        <translation>Export to Excel</translation>
    </message>
    <message>
        <source>写入文件失败：%1（%2）</source>
        <translation>Cannot write the file: %1 (%2)</translation>
    </message>
    <message>
        <source>目录不存在：%1</source>
        <translation>The folder does not exist: %1</translation>
    </message>
    <message>
        <source>无法在目录中创建文件：%1（%2）</source>
        <translation>Cannot create a file in the folder: %1 (%2)</translation>
    </message>
    <message>
        <source>无法保存为 %1（%2）</source>
        <translation>Cannot save as %1 (%2)</translation>
    </message>
</context>
<context>
    <name>StandardError</name>
    <message>
        <source>错误</source>
        <translation>Error</translation>
    </message>
</context>
<context>
    <name>SysConf</name>
    <message>
        <source>--config 缺少设置文件</source>
        <translation>--config needs a settings file</translation>
    </message>
    <message>
        <source>无法把设置文件 %1 复制到 %2（%3），本次仍使用原文件。</source>
        <translation>The settings file %1 could not be copied to %2 (%3); this run uses the original file.</translation>
    </message>
    <message>
        <source>已把工作文件夹中的设置文件 %1 复制到 %2，此后设置保存在那里（原文件保留）。</source>
        <translation>The settings file %1 of the working folder was copied to %2, where the settings are kept from now on (the original file stays).</translation>
    </message>
</context>
<context>
    <name>TStorageSingleThread</name>
    <message>
        <source>创建文件夹错误</source>
        <translation>Error creating the folder</translation>
    </message>
    <message>
        <source>创建文件错误</source>
        <translation>Error creating the file</translation>
    </message>
    <message>
        <source>写入文件错误</source>
        <translation>Error writing the file</translation>
    </message>
    <message>
        <source>所选择的文件上传结束</source>
        <translation>The selected files have been uploaded</translation>
    </message>
    <message>
        <source>第%1条录音</source>
        <translation>recording %1</translation>
    </message>
    <message>
        <source>以下文件没有完整上传：
</source>
        <translation>These files were not uploaded whole:
</translation>
    </message>
    <message>
        <source>上传进度</source>
        <translation>Upload progress</translation>
    </message>
    <message>
        <source>上传进度：正在上传选择的第%1个文件</source>
        <translation>Upload progress: uploading selected file %1</translation>
    </message>
    <message>
        <source>上传 %1 个，已有 %2 个，不完整 %3 个</source>
        <translation>%1 uploaded, %2 already there, %3 not whole</translation>
    </message>
</context>
<context>
    <name>TelephoneLink</name>
    <message>
        <source>USB写命令错误</source>
        <translation>USB command write error</translation>
    </message>
    <message>
        <source>USB读数据错误</source>
        <translation>USB data read error</translation>
    </message>
</context>
<context>
    <name>UsbLibrary</name>
    <message>
        <source>SysConf.ini 中 [Device] 的 %1 值“%2”不是有效的设备号（四位以内的十六进制数），已改用 %3</source>
        <translation>The %1 value &quot;%2&quot; in [Device] of SysConf.ini is not a valid device id (a hexadecimal number of up to four digits); %3 is used instead</translation>
    </message>
    <message>
        <source>USB设备打开失败：</source>
        <translation>Cannot open the USB device: </translation>
    </message>
    <message>
        <source>没有访问该设备的权限。请运行 scripts/setup --udev 安装设备规则，然后重新插入电话。</source>
        <translation>No permission to use the device. Run scripts/setup --udev to install the device rule, then plug the telephone in again.</translation>
    </message>
    <message>
        <source>设备正被其他程序使用。</source>
        <translation>The device is in use by another program.</translation>
    </message>
    <message>
        <source>未知原因</source>
        <translation>unknown reason</translation>
    </message>
</context>
<context>
    <name>XlsxWorkbook</name>
    <message>
        <source>无法创建工作簿</source>
        <translation>Cannot create the workbook</translation>
    </message>
    <message>
        <source>无法创建工作表</source>
        <translation>Cannot create the worksheet</translation>
    </message>
</context>
<context>
    <name>tovrel-desk</name>
    <message>
        <source>使用在此本地套接字上监听的模拟电话机。</source>
        <translation>Use the emulated telephone listening on this local socket.</translation>
    </message>
    <message>
        <source>窗口的语言：en 或 zh（默认：系统区域设置的语言）。</source>
        <translation>The language of the windows: en or zh (default: the system locale&apos;s).</translation>
    </message>
    <message>
        <source>设置文件（默认：~/.config/tovrel/SysConf.ini）。</source>
        <translation>The settings file (default: ~/.config/tovrel/SysConf.ini).</translation>
    </message>
</context>
<context>
    <name>tovrel::ContactsDialog</name>
    <message>
        <source>联系人</source>
        <translation>Contacts</translation>
    </message>
    <message>
        <source>姓名</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>电话号码</source>
        <translation>Phone number</translation>
    </message>
    <message>
        <source>导入...</source>
        <translation>Import...</translation>
    </message>
    <message>
        <source>保存修改</source>
        <translation>Save changes</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>姓名：</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>号码：</source>
        <translation>Numbers:</translation>
    </message>
    <message>
        <source>导入联系人</source>
        <translation>Import contacts</translation>
    </message>
    <message>
        <source>联系人文件 (*.vcf *.vcard *.csv);;所有文件 (*)</source>
        <translation>Contact files (*.vcf *.vcard *.csv);;All files (*)</translation>
    </message>
    <message>
        <source>新增 %1 个联系人或号码</source>
        <translation>%1 new contacts or numbers added</translation>
    </message>
    <message>
        <source>没有新的联系人</source>
        <translation>No new contacts</translation>
    </message>
    <message>
        <source>请先选中联系人！</source>
        <translation>Select a contact first!</translation>
    </message>
    <message>
        <source>姓名和号码都不能为空！</source>
        <translation>Neither name nor numbers may be empty!</translation>
    </message>
    <message>
        <source>删除选中的联系人？</source>
        <translation>Delete the selected contacts?</translation>
    </message>
    <message>
        <source>新建</source>
        <translation>New</translation>
    </message>
</context>
<context>
    <name>tovrel::ConversionControl</name>
    <message>
        <source>请选择转换的输出目录！</source>
        <translation>Choose the output folder of the conversion!</translation>
    </message>
    <message>
        <source>请选择需要转换的文件！</source>
        <translation>Choose the files to convert!</translation>
    </message>
    <message>
        <source>停止转换</source>
        <translation>Stop converting</translation>
    </message>
    <message>
        <source>转换选择</source>
        <translation>Convert selected</translation>
    </message>
    <message>
        <source>转换全部</source>
        <translation>Convert all</translation>
    </message>
    <message>
        <source>转换选择文件成功！</source>
        <translation>The selected files were converted!</translation>
    </message>
    <message>
        <source>转换全部文件成功！</source>
        <translation>All files were converted!</translation>
    </message>
    <message>
        <source>%1：%2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>以下文件没有完整转换：</source>
        <translation>These files were not converted whole:</translation>
    </message>
</context>
<context>
    <name>tovrel::ConversionPanel</name>
    <message>
        <source>转换WAV文件</source>
        <translation>Convert to WAV files</translation>
    </message>
    <message>
        <source>转换选择</source>
        <translation>Convert selected</translation>
    </message>
    <message>
        <source>转换全部</source>
        <translation>Convert all</translation>
    </message>
    <message>
        <source>输出目录..</source>
        <translation>Output folder..</translation>
    </message>
    <message>
        <source>当前进度..</source>
        <translation>Current file..</translation>
    </message>
    <message>
        <source>总体进度..</source>
        <translation>Overall..</translation>
    </message>
    <message>
        <source>Opus %1 kbit/s</source>
        <translation>Opus %1 kbit/s</translation>
    </message>
    <message>
        <source>MP3 %1 kbit/s</source>
        <translation>MP3 %1 kbit/s</translation>
    </message>
    <message>
        <source>转换成的格式。FLAC、Opus 和 MP3 文件里写有通话的类型、号码、时间、联系人和备注。</source>
        <translation>The format the files are converted into. FLAC, Opus and MP3 files hold the call&apos;s kind, number, time, contact and note.</translation>
    </message>
</context>
<context>
    <name>tovrel::DesktopNotification</name>
    <message>
        <source>无法显示桌面通知：%1</source>
        <translation>The desktop notification could not be shown: %1</translation>
    </message>
</context>
<context>
    <name>tovrel::NoteEditor</name>
    <message>
        <source>编辑备注</source>
        <translation>Edit note</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>tovrel::PlaybackControl</name>
    <message>
        <source>请先选择需要播放的文件！</source>
        <translation>Choose the file to play first!</translation>
    </message>
    <message>
        <source>请先选中文件！</source>
        <translation>Select a file first!</translation>
    </message>
    <message>
        <source>播放速度（Ctrl+↑ 加快，Ctrl+↓ 减慢）</source>
        <translation>Playing speed (Ctrl+↑ faster, Ctrl+↓ slower)</translation>
    </message>
</context>
<context>
    <name>tovrel::PlayerKeys</name>
    <message>
        <source>空格</source>
        <translation>Space</translation>
    </message>
    <message>
        <source>播放/暂停</source>
        <translation>Play/pause</translation>
    </message>
    <message>
        <source>后退5秒</source>
        <translation>Back 5 s</translation>
    </message>
    <message>
        <source>前进5秒</source>
        <translation>Forward 5 s</translation>
    </message>
    <message>
        <source>回到开头</source>
        <translation>To the start</translation>
    </message>
    <message>
        <source>加快</source>
        <translation>Faster</translation>
    </message>
    <message>
        <source>减慢</source>
        <translation>Slower</translation>
    </message>
    <message>
        <source>%1：%2</source>
        <translation>%1: %2</translation>
    </message>
</context>
<context>
    <name>tovrel::TExportForm1</name>
    <message>
        <source>导出结果到Excel</source>
        <translation>Export results to Excel</translation>
    </message>
    <message>
        <source>存储路径： </source>
        <translation>Save to: </translation>
    </message>
    <message>
        <source>文件名： </source>
        <translation>File name: </translation>
    </message>
    <message>
        <source>同时导出录音</source>
        <translation>Export the recordings too</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>查找结果.xls</source>
        <translation>SearchResults.xls</translation>
    </message>
    <message>
        <source>列表空！</source>
        <translation>The list is empty!</translation>
    </message>
    <message>
        <source>目录设置错误！</source>
        <translation>The folder is wrong!</translation>
    </message>
    <message>
        <source>请选择目录:</source>
        <translation>Choose a folder:</translation>
    </message>
</context>
<context>
    <name>tovrel::TFindForm</name>
    <message>
        <source>查询窗口</source>
        <translation>Search</translation>
    </message>
    <message>
        <source>日期时间查询</source>
        <translation>Search by date and time</translation>
    </message>
    <message>
        <source>开始时间： </source>
        <translation>Start: </translation>
    </message>
    <message>
        <source>结束时间： </source>
        <translation>End: </translation>
    </message>
    <message>
        <source>时长（秒）：</source>
        <translation>Duration (s):</translation>
    </message>
    <message>
        <source>电话号码： </source>
        <translation>Phone number: </translation>
    </message>
    <message>
        <source>来电</source>
        <translation>Incoming</translation>
    </message>
    <message>
        <source>去电</source>
        <translation>Outgoing</translation>
    </message>
    <message>
        <source>录音</source>
        <translation>Local</translation>
    </message>
    <message>
        <source>查询</source>
        <translation>Search</translation>
    </message>
    <message>
        <source>导出</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>全部转换文件成功！</source>
        <translation>All files were converted!</translation>
    </message>
    <message>
        <source>请选择目录:</source>
        <translation>Choose a folder:</translation>
    </message>
    <message>
        <source>查询目录设置</source>
        <translation>Search folder</translation>
    </message>
    <message>
        <source>按日期时间查询</source>
        <translation>Search by date and time</translation>
    </message>
    <message>
        <source>按时长查询</source>
        <translation>Search by duration</translation>
    </message>
    <message>
        <source>按电话号码查询</source>
        <translation>Search by phone number</translation>
    </message>
    <message>
        <source>录音属性查询</source>
        <translation>Search by recording type</translation>
    </message>
    <message>
        <source>联系人：</source>
        <translation>Contact:</translation>
    </message>
    <message>
        <source>备注：</source>
        <translation>Note:</translation>
    </message>
    <message>
        <source>停止查询</source>
        <translation>Stop search</translation>
    </message>
    <message>
        <source>查询已停止 </source>
        <translation>Search stopped. </translation>
    </message>
</context>
<context>
    <name>tovrel::TMainForm</name>
    <message>
        <source>USB 未连接</source>
        <translation>USB not connected</translation>
    </message>
    <message>
        <source>查询</source>
        <translation>Search</translation>
    </message>
    <message>
        <source>退出系统</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>录音电话机</source>
        <translation>Telephone</translation>
    </message>
    <message>
        <source>保存位置</source>
        <translation>Save to</translation>
    </message>
    <message>
        <source>目录</source>
        <translation>Folder</translation>
    </message>
    <message>
        <source>文件名..</source>
        <translation>File name..</translation>
    </message>
    <message>
        <source>电话列表List</source>
        <translation>PhoneList</translation>
    </message>
    <message>
        <source>上传进度   </source>
        <translation>Upload progress   </translation>
    </message>
    <message>
        <source>只上传新录音</source>
        <translation>Upload only new recordings</translation>
    </message>
    <message>
        <source>PC机</source>
        <translation>PC</translation>
    </message>
    <message>
        <source>当前目录：</source>
        <translation>Current folder:</translation>
    </message>
    <message>
        <source>请选择目录:</source>
        <translation>Choose a folder:</translation>
    </message>
    <message>
        <source>USB未连接</source>
        <translation>USB not connected</translation>
    </message>
    <message>
        <source>USB已连接</source>
        <translation>USB connected</translation>
    </message>
    <message>
        <source>上传选择</source>
        <translation>Upload selected</translation>
    </message>
    <message>
        <source>上传全部</source>
        <translation>Upload all</translation>
    </message>
    <message>
        <source>取消上传</source>
        <translation>Cancel upload</translation>
    </message>
    <message>
        <source>数据上传被打断，请注意！</source>
        <translation>The upload was interrupted, take note!</translation>
    </message>
    <message>
        <source>上传列表</source>
        <translation>Upload list</translation>
    </message>
    <message>
        <source>导出列表</source>
        <translation>Export list</translation>
    </message>
    <message>
        <source>读取列表 %1/%2</source>
        <translation>Reading the list %1/%2</translation>
    </message>
    <message>
        <source>联系人</source>
        <translation>Contacts</translation>
    </message>
    <message>
        <source>插入电话机时自动上传新录音</source>
        <translation>Upload new recordings when the telephone is plugged in</translation>
    </message>
    <message>
        <source>没有自动上传：%1</source>
        <translation>No automatic upload: %1</translation>
    </message>
    <message>
        <source>电话机密码未保存，没有自动上传</source>
        <translation>No password stored: no automatic upload</translation>
    </message>
    <message>
        <source>无法读取保存的密码，没有自动上传</source>
        <translation>Stored password unreadable: no automatic upload</translation>
    </message>
    <message>
        <source>新录音已上传</source>
        <translation>New recordings uploaded</translation>
    </message>
</context>
<context>
    <name>tovrel::TPasswordDlg</name>
    <message>
        <source>USB已成功连接－请输入四位密码</source>
        <translation>USB connected - enter the four-digit password</translation>
    </message>
    <message>
        <source>密码：</source>
        <translation>Password:</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>记住密码</source>
        <translation>Remember password</translation>
    </message>
</context>
</TS>
