<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP">
<context>
    <name>CharsetChoice</name>
    <message>
        <source>Text &amp;Encoding</source>
        <translation>文字コード(&amp;C)</translation>
    </message>
    <message>
        <source>Automatic (%1)</source>
        <translation>自動 (%1)</translation>
    </message>
</context>
<context>
    <name>EqualizerMenu</name>
    <message>
        <source>&amp;Off</source>
        <translation>オフ(&amp;O)</translation>
    </message>
    <message>
        <source>&amp;Track</source>
        <translation>トラック(&amp;T)</translation>
    </message>
    <message>
        <source>&amp;Album</source>
        <translation>アルバム(&amp;A)</translation>
    </message>
    <message>
        <source>Equali&amp;zer…</source>
        <translation>イコライザー(&amp;Z)…</translation>
    </message>
    <message>
        <source>Repla&amp;yGain</source>
        <translation>リプレイゲイン(&amp;Y)</translation>
    </message>
    <message>
        <source>&amp;Prevent clipping</source>
        <translation>クリップを防ぐ(&amp;P)</translation>
    </message>
    <message>
        <source>Pre-amp and &amp;default gain…</source>
        <translation>プリアンプと既定のゲイン(&amp;D)…</translation>
    </message>
</context>
<context>
    <name>KeyCommands</name>
    <message>
        <source>Enter play  Delete remove  type letters to find a title  Ctrl+Q quit</source>
        <translation>Enter 再生  Delete 削除  文字を打つとタイトルを検索  Ctrl+Q 終了</translation>
    </message>
    <message>
        <source>P play/pause  S stop  N next  B previous  O open  L play list  T timer  ←/→ back/forward 5 s  ↑/↓ volume  Ctrl+Q quit</source>
        <translation>P 再生/一時停止  S 停止  N 次の曲  B 前の曲  O 開く  L プレイリスト  T タイマー  ←/→ 5秒戻る/進む  ↑/↓ 音量  Ctrl+Q 終了</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>  reconnecting</source>
        <translation>  再接続中</translation>
    </message>
    <message>
        <source>  buffering %1 %</source>
        <translation>  バッファリング中 %1 %</translation>
    </message>
    <message>
        <source>mono</source>
        <translation>モノラル</translation>
    </message>
    <message>
        <source>stereo</source>
        <translation>ステレオ</translation>
    </message>
    <message>
        <source>%1 Layer %2, %3 kHz, %4</source>
        <translation>%1 レイヤー%2、%3 kHz、%4</translation>
    </message>
    <message>
        <source>%1 kbit/s average</source>
        <translation>平均 %1 kbit/s</translation>
    </message>
    <message>
        <source>%1 kbit/s</source>
        <translation>%1 kbit/s</translation>
    </message>
    <message>
        <source>none</source>
        <translation>なし</translation>
    </message>
    <message>
        <source>%1 dB</source>
        <translation>%1 dB</translation>
    </message>
</context>
<context>
    <name>WaveDeviceChoice</name>
    <message>
        <source>Sound &amp;Output</source>
        <translation>サウンド出力(&amp;D)</translation>
    </message>
    <message>
        <source>Automatic (auto)</source>
        <translation>自動 (auto)</translation>
    </message>
    <message>
        <source>Sound server (pulse)</source>
        <translation>サウンドサーバー (pulse)</translation>
    </message>
    <message>
        <source>Silence (null)</source>
        <translation>無音 (null)</translation>
    </message>
</context>
<context>
    <name>yumekaze::app::TAboutBox</name>
    <message>
        <source>About</source>
        <translation>バージョン情報</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Closes this box</source>
        <translation>このボックスを閉じます</translation>
    </message>
    <message>
        <source>Opens the home page</source>
        <translation>ホームページを開きます</translation>
    </message>
</context>
<context>
    <name>yumekaze::app::TCurrentEntryPane</name>
    <message>
        <source>Album:</source>
        <translation>アルバム:</translation>
    </message>
    <message>
        <source>Track:</source>
        <translation>トラック:</translation>
    </message>
    <message>
        <source>Year:</source>
        <translation>年:</translation>
    </message>
    <message>
        <source>Format:</source>
        <translation>形式:</translation>
    </message>
    <message>
        <source>Bitrate:</source>
        <translation>ビットレート:</translation>
    </message>
    <message>
        <source>Gain applied:</source>
        <translation>適用ゲイン:</translation>
    </message>
    <message>
        <source>no cover</source>
        <translation>カバーなし</translation>
    </message>
</context>
<context>
    <name>yumekaze::app::TEqualizerWindow</name>
    <message>
        <source>Equalizer</source>
        <translation>イコライザー</translation>
    </message>
    <message>
        <source>On</source>
        <translation>オン</translation>
    </message>
    <message>
        <source>Save as…</source>
        <translation>名前を付けて保存…</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>削除</translation>
    </message>
    <message>
        <source>Preset:</source>
        <translation>プリセット:</translation>
    </message>
    <message>
        <source>Pre-amp: added to every band</source>
        <translation>プリアンプ: すべての帯域に加わります</translation>
    </message>
    <message>
        <source>Pre-amp</source>
        <translation>プリアンプ</translation>
    </message>
    <message>
        <source>ReplayGain</source>
        <translation>リプレイゲイン</translation>
    </message>
    <message>
        <source>Pre-amp for files with ReplayGain:</source>
        <translation>リプレイゲインのあるファイルのプリアンプ:</translation>
    </message>
    <message>
        <source>Gain for files without ReplayGain:</source>
        <translation>リプレイゲインのないファイルのゲイン:</translation>
    </message>
    <message>
        <source>(custom)</source>
        <translation>(カスタム)</translation>
    </message>
    <message>
        <source>Save preset</source>
        <translation>プリセットの保存</translation>
    </message>
    <message>
        <source>Name of the preset:</source>
        <translation>プリセットの名前:</translation>
    </message>
    <message>
        <source>A built-in preset is named &quot;%1&quot;; choose another name.</source>
        <translation>組み込みのプリセット「%1」と同じ名前です。別の名前を選んでください。</translation>
    </message>
</context>
<context>
    <name>yumekaze::app::TForm1</name>
    <message>
        <source>Player</source>
        <translation>ぷれ～や～</translation>
    </message>
    <message>
        <source>STOP</source>
        <translation>STOP</translation>
    </message>
    <message>
        <source>Timer Off</source>
        <translation>Timer Off</translation>
    </message>
    <message>
        <source>Minimize</source>
        <translation>最小化</translation>
    </message>
    <message>
        <source>Back to the previous track</source>
        <translation>前の曲へ戻る</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>一時停止</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>再生</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>停止</translation>
    </message>
    <message>
        <source>On to the next track</source>
        <translation>次の曲へ進む</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>Open files</source>
        <translation>開く</translation>
    </message>
    <message>
        <source>Sleep</source>
        <translation>Sleep</translation>
    </message>
    <message>
        <source>Set the sleep timer</source>
        <translation>スリープタイマーセット</translation>
    </message>
    <message>
        <source>About</source>
        <translation>About</translation>
    </message>
    <message>
        <source>About this player</source>
        <translation>アバウト</translation>
    </message>
    <message>
        <source>Play list
</source>
        <translation>プレイリスト
</translation>
    </message>
    <message>
        <source>&amp;Previous</source>
        <translation>前の曲へ(&amp;B)</translation>
    </message>
    <message>
        <source>Paus&amp;e</source>
        <translation>一時停止(&amp;E)</translation>
    </message>
    <message>
        <source>&amp;Play</source>
        <translation>再生(&amp;P)</translation>
    </message>
    <message>
        <source>&amp;Stop</source>
        <translation>停止(&amp;S)</translation>
    </message>
    <message>
        <source>&amp;Next</source>
        <translation>次の曲へ(&amp;N)</translation>
    </message>
    <message>
        <source>&amp;Open Files...</source>
        <translation>ファイルオープン(&amp;O)</translation>
    </message>
    <message>
        <source>Open &amp;Folder...</source>
        <translation>フォルダを開く(&amp;F)</translation>
    </message>
    <message>
        <source>A&amp;dd Files...</source>
        <translation>ファイルを追加(&amp;D)</translation>
    </message>
    <message>
        <source>Add Fol&amp;der...</source>
        <translation>フォルダを追加(&amp;G)</translation>
    </message>
    <message>
        <source>Sleep &amp;Timer...</source>
        <translation>お休みタイマー(&amp;T)</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>バージョン情報(&amp;A)</translation>
    </message>
    <message>
        <source>Play &amp;List</source>
        <translation>プレイリスト(&amp;L)</translation>
    </message>
    <message>
        <source>Stop After This Trac&amp;k</source>
        <translation>この曲で停止(&amp;Q)</translation>
    </message>
    <message>
        <source>&amp;Restore</source>
        <translation>元のサイズに戻す(&amp;R)</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>終了(&amp;X)</translation>
    </message>
    <message>
        <source>PLAY</source>
        <translation>PLAY</translation>
    </message>
    <message>
        <source>PAUSE</source>
        <translation>PAUSE</translation>
    </message>
    <message>
        <source>Skipped files that cannot be played:
</source>
        <translation>再生できないファイルを飛ばしました:
</translation>
    </message>
    <message>
        <source>No file can be played:
</source>
        <translation>再生できるファイルがありません:
</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>(none)</source>
        <translation>(なし)</translation>
    </message>
    <message>
        <source>Could not open the sound device: %1
%2</source>
        <translation>サウンドデバイスを開けませんでした: %1
%2</translation>
    </message>
    <message>
        <source>File</source>
        <translation>ファイル</translation>
    </message>
    <message>
        <source>Artist</source>
        <translation>アーティスト</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>タイトル</translation>
    </message>
    <message>
        <source>Player state</source>
        <translation>再生状態</translation>
    </message>
    <message>
        <source>Sleep timer</source>
        <translation>お休みタイマー</translation>
    </message>
    <message>
        <source>Hides the window; the tray icon brings it back</source>
        <translation>ウィンドウを隠します。トレイのアイコンで戻ります</translation>
    </message>
    <message>
        <source>Maximize</source>
        <translation>最大化</translation>
    </message>
    <message>
        <source>Not available in this window</source>
        <translation>このウィンドウでは使えません</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>閉じる</translation>
    </message>
    <message>
        <source>Ends the player (Ctrl+Q)</source>
        <translation>プレーヤーを終了します (Ctrl+Q)</translation>
    </message>
    <message>
        <source>Plays the previous track in the list (key B)</source>
        <translation>リストの前の曲を再生します (キー B)</translation>
    </message>
    <message>
        <source>Pauses or resumes playing (key P)</source>
        <translation>再生を一時停止・再開します (キー P)</translation>
    </message>
    <message>
        <source>Plays the loaded track (key P)</source>
        <translation>読み込んだ曲を再生します (キー P)</translation>
    </message>
    <message>
        <source>Stops playing (key S)</source>
        <translation>再生を停止します (キー S)</translation>
    </message>
    <message>
        <source>Plays the next track in the list (key N)</source>
        <translation>リストの次の曲を再生します (キー N)</translation>
    </message>
    <message>
        <source>Chooses files to play (key O)</source>
        <translation>再生するファイルを選びます (キー O)</translation>
    </message>
    <message>
        <source>Opens the sleep timer (key T)</source>
        <translation>お休みタイマーを開きます (キー T)</translation>
    </message>
    <message>
        <source>Shows the version and the makers</source>
        <translation>バージョン情報を表示します</translation>
    </message>
    <message>
        <source>Play list</source>
        <translation>プレイリスト</translation>
    </message>
    <message>
        <source>Shows the play list (key L)</source>
        <translation>プレイリストを表示します (キー L)</translation>
    </message>
</context>
<context>
    <name>yumekaze::app::TForm2</name>
    <message>
        <source>Sleep Timer</source>
        <translation>お休みタイマー</translation>
    </message>
    <message>
        <source>Use the timer</source>
        <translation>タイマーを使う</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>時間設定</translation>
    </message>
    <message>
        <source>min</source>
        <translation>分</translation>
    </message>
    <message>
        <source>Stop only</source>
        <translation>停止のみ</translation>
    </message>
    <message>
        <source>Suspend</source>
        <translation>サスペンド</translation>
    </message>
    <message>
        <source>Power off</source>
        <translation>電源を切る</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>%1 min left</source>
        <translation>あと%1分</translation>
    </message>
    <message>
        <source>Timer Off</source>
        <translation>Timer Off</translation>
    </message>
    <message>
        <source>stop playing and suspend</source>
        <translation>再生を停止してサスペンドします</translation>
    </message>
    <message>
        <source>stop playing and power off</source>
        <translation>再生を停止して電源を切ります</translation>
    </message>
    <message>
        <source>stop playing</source>
        <translation>再生を停止します</translation>
    </message>
    <message>
        <source>Timer On</source>
        <translation>Timer On</translation>
    </message>
    <message>
        <source>The timer is set!
At %1 (in %2 min) it will %3.</source>
        <translation>タイマーをセットしました！
%1（%2分後）に%3。</translation>
    </message>
    <message>
        <source>Confirmation</source>
        <translation>確認</translation>
    </message>
    <message>
        <source>Could not %1. The timer is cancelled.
(%2)</source>
        <translation>%1できませんでした。タイマーを解除しました。
(%2)</translation>
    </message>
    <message>
        <source>suspend</source>
        <translation>サスペンド</translation>
    </message>
    <message>
        <source>power off</source>
        <translation>電源を切ることが</translation>
    </message>
    <message>
        <source>Finish the track</source>
        <translation>曲の終わりまで</translation>
    </message>
    <message>
        <source>Stops playing after the chosen minutes</source>
        <translation>指定した分数の後に再生を停止します</translation>
    </message>
    <message>
        <source>Minutes</source>
        <translation>分</translation>
    </message>
    <message>
        <source>Minutes until the timer ends</source>
        <translation>タイマーが終わるまでの分数</translation>
    </message>
    <message>
        <source>At the end</source>
        <translation>終了時の動作</translation>
    </message>
    <message>
        <source>What happens when the time is up</source>
        <translation>時間になったときの動作</translation>
    </message>
    <message>
        <source>Lets the playing track end before the timer stops</source>
        <translation>再生中の曲が終わってから停止します</translation>
    </message>
    <message>
        <source>Sets the timer as shown</source>
        <translation>表示のとおりにタイマーをセットします</translation>
    </message>
    <message>
        <source>Leaves the timer as it was</source>
        <translation>タイマーを変更しません</translation>
    </message>
    <message>
        <source>Track end</source>
        <translation>曲の終わり</translation>
    </message>
</context>
<context>
    <name>yumekaze::app::THTLabel</name>
    <message>
        <source>&amp;Open</source>
        <translation>開く(&amp;O)</translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation>コピー(&amp;C)</translation>
    </message>
</context>
<context>
    <name>yumekaze::app::TPlayListModel</name>
    <message>
        <source>Title</source>
        <translation>タイトル</translation>
    </message>
    <message>
        <source>Artist</source>
        <translation>アーティスト</translation>
    </message>
    <message>
        <source>Length</source>
        <translation>時間</translation>
    </message>
</context>
<context>
    <name>yumekaze::app::TPlayListPanel</name>
    <message>
        <source>Play List</source>
        <translation>プレイリスト</translation>
    </message>
    <message>
        <source>Add...</source>
        <translation>追加...</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>クリア</translation>
    </message>
    <message>
        <source>Save...</source>
        <translation>保存...</translation>
    </message>
    <message>
        <source>No repeat</source>
        <translation>リピートなし</translation>
    </message>
    <message>
        <source>Repeat all</source>
        <translation>全曲リピート</translation>
    </message>
    <message>
        <source>Repeat one</source>
        <translation>1曲リピート</translation>
    </message>
    <message>
        <source>Shuffle</source>
        <translation>シャッフル</translation>
    </message>
    <message>
        <source>Cannot save to %1</source>
        <translation>%1 に保存できません</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>Adds files to the list</source>
        <translation>リストにファイルを追加します</translation>
    </message>
    <message>
        <source>Empties the list</source>
        <translation>リストを空にします</translation>
    </message>
    <message>
        <source>Saves the list as an M3U8 file</source>
        <translation>リストを M3U8 ファイルに保存します</translation>
    </message>
    <message>
        <source>Repeat</source>
        <translation>リピート</translation>
    </message>
    <message>
        <source>Whether the list or the track starts again at its end</source>
        <translation>終わりでリストか曲を繰り返すかどうか</translation>
    </message>
    <message>
        <source>Plays the list in random order</source>
        <translation>リストをランダムな順に再生します</translation>
    </message>
</context>
<context>
    <name>yumekaze::app::TPlayTimeView</name>
    <message>
        <source>Volume %1</source>
        <translation>音量 %1</translation>
    </message>
    <message>
        <source>The time played, or the volume while it changes (keys Up and Down)</source>
        <translation>再生時間、音量を変えている間は音量 (キー ↑/↓)</translation>
    </message>
    <message>
        <source>Position</source>
        <translation>再生位置</translation>
    </message>
    <message>
        <source>How far the track has played; a click or a drag moves there (keys Left and Right)</source>
        <translation>曲の再生位置。クリックかドラッグでその位置へ移動します (キー ←/→)</translation>
    </message>
</context>
<context>
    <name>yumekaze::app::TSleepWarning</name>
    <message>
        <source>Sleep Timer</source>
        <translation>お休みタイマー</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>%2 in %1 seconds</source>
        <translation>あと%1秒で%2</translation>
    </message>
    <message>
        <source>Cancels the sleep timer</source>
        <translation>お休みタイマーを解除します</translation>
    </message>
</context>
<context>
    <name>yumekaze::app::TTrackNotices</name>
    <message>
        <source>Notify when the track changes</source>
        <translation>曲が変わったら通知する</translation>
    </message>
</context>
<context>
    <name>yumekaze::app::TTrayIcon</name>
    <message>
        <source>Cannot add the icon to the notification area.</source>
        <translation>タスクトレイにアイコンを登録できません。</translation>
    </message>
</context>
</TS>
