-- Channel names beyond Windows-1252, loaded into `velartis_scripts` after
-- tools/schema.sql (tests/data/db/load_fixture.sh). UTF-8 text; the rows
-- are shaped like those of tools/sample_data.sql, the ids made up.
--
-- Satellites (sat_id = position): 420 Türksat 42.0E, 390 a Greek name,
-- 70 Eutelsat 7.0E, 130 Hotbird 13.0E, 360 a Cyrillic name; 36 channels.
-- Languages 1 tur, 2 gre, 3 ukr, 4 rus, 5 ara, 6 chi, 7 jpn, 8 eng, 9 fra.
-- Categories and nat_id 11 are those of the bundled master list. The
-- channels tests/data/import/scripts_vdr.conf shares with it have the same
-- ids there (sid, nid and tid in decimal).
--
-- At the cuts of a download (ch_name to 24 characters, bou_name to 20 or
-- 16, fav_name to 16), counted in characters, not bytes:
--  * exactly 24, kept whole: Kanal Doğu Anadolu Haber (420/1F43), Ελληνική
--    Τηλεόραση Κρήτη (390/0B04), Київ ТБ Новини та Погода (360/1B5B), قناة
--    العربية الحدث مباشر (70/138B), 中央电视台中文国际频道 CCTV-4 欧洲美洲版
--    (130/3A03, 56 bytes);
--  * 25, so cut: İstanbul Şehir Televizyon (420/1F44), Τηλεόραση
--    Θεσσαλονίκης HD (390/0C01), Перший Західний телеканал (360/1B5C),
--    قناة الجزيرة الوثائقية HD (70/138C), NHK ワールド・プレミアム
--    日本語国際放送 HD (130/3A04);
--  * bouquets: 1 of 16 characters, 2 of 20, 3 of 24 (both cuts), 4 of 17;
--  * favourite groups: 4 of 19 characters, 5 (disabled) of 16.
-- Also a name with a character outside the Basic Multilingual Plane
-- (📺 Kids TV, 4 bytes for the emoji), one in Windows-1252 (Télé Süd),
-- a Turkish bouquet and a Ukrainian one that span two satellites, and
-- circular polarisation on 360.

SET NAMES utf8mb4;
SET autocommit = 0;

INSERT INTO TeamMsg (application, msg, CRC, CRCLinux, show_forum, in_use) VALUES
  ('Velartis1.3', 'Channel names in many scripts.', '00', '00', 'N', 'Y');
INSERT INTO BrenikToolsCounter (application, counter) VALUES ('Velartis1.3', 0);

INSERT INTO Sats (sat_id, sat_name, position, location) VALUES
  (420, 'Türksat 42.0E', 420, '42.0E'),
  (390, 'Ελλάς Σατ 39.0E', 390, '39.0E'),
  (70, 'Eutelsat 7.0E', 70, '7.0E'),
  (130, 'Hotbird 13.0E', 130, '13.0E'),
  (360, 'Экспресс 36.0E', 360, '36.0E');

INSERT INTO Languages (lang_id, lang_name) VALUES
  (1, 'tur'),
  (2, 'gre'),
  (3, 'ukr'),
  (4, 'rus'),
  (5, 'ara'),
  (6, 'chi'),
  (7, 'jpn'),
  (8, 'eng'),
  (9, 'fra');

INSERT INTO Bouquets (bou_id, bou_name, nat_id, sort_id) VALUES
  (1, 'Türk Televizyonu', 11, 10),
  (2, 'Ελληνικά Κανάλια ΕΡΤ', 11, 20),
  (3, 'Українські телеканали HD', 11, 30),
  (4, 'Российские каналы', 11, 40),
  (5, 'القنوات العربية', 11, 50),
  (6, '亚洲频道 アジア', 11, 60),
  (7, 'Chaînes Européennes', 11, 70);

INSERT INTO Favorites (fav_id, fav_name, enable, sort_id) VALUES
  (1, 'Ειδήσεις', '1', 10),
  (2, 'Спорт і кіно', '1', 20),
  (3, 'Дитячі канали', '1', 30),
  (4, 'Αγαπημένα ραδιόφωνα', '1', 40),
  (5, 'Старые избранные', '0', 50);

-- Türksat 42.0E ----------------------------------------------------------
INSERT INTO Transponders (sat_id, stp_id, tp_name, frequency, polarity, sr, fec, modulation, nid, tid, pilot, flag_feed) VALUES
  (420, 1, 'TK 11054H', 11054, 1, 30000, 4, 0, '01A2', '2A01', 0, 0),
  (420, 2, 'TK 11916V', 11916, 0, 30000, 3, 0, '01A2', '2A02', 0, 0),
  (420, 3, 'TK 12015H', 12015, 1, 27500, 2, 2, '01A2', '2A03', 2, 0);

INSERT INTO Channels (sat_id, stp_id, sid, ch_name, ch_type, vpid, pmt_pid, pcr_pid, txt_pid, subtitle, scrambled, locked, skip, dupdpid, dupdname, dupdsid, cat_id, hd, d3) VALUES
  (420, 1, '1F41', 'TRT Haber', 0, '0065', '0064', '0065', '006D', 1, 0, 0, 0, 0, 0, 0, 2, 0, 0),
  (420, 1, '1F42', 'Kanal Doğu', 0, '00C9', '00C8', '00C9', '0000', 0, 0, 0, 0, 0, 0, 0, 8, 0, 0),
  (420, 1, '1F43', 'Kanal Doğu Anadolu Haber', 0, '012D', '012C', '012D', '0000', 0, 0, 0, 0, 0, 0, 0, 2, 0, 0),
  (420, 1, '1F44', 'İstanbul Şehir Televizyon', 0, '0191', '0190', '0191', '0000', 0, 0, 0, 0, 0, 0, 0, 8, 0, 0),
  (420, 2, '2B01', 'Radyo Şimşek', 1, '0000', '0064', '006E', '0000', 0, 0, 0, 0, 0, 0, 0, 11, 0, 0),
  (420, 2, '2B02', 'TRT Türkü', 1, '0000', '00C8', '00D2', '0000', 0, 0, 0, 0, 0, 0, 0, 11, 0, 0),
  (420, 2, '2B03', 'Çocuk Dünyası', 0, '012D', '012C', '012D', '0000', 0, 0, 0, 0, 0, 0, 0, 5, 0, 0),
  (420, 3, '3C01', 'Sinema Öykü HD', 0, '0065', '0064', '0065', '0000', 0, 1, 0, 0, 0, 0, 0, 4, 1, 0),
  (420, 3, '3C02', 'Spor Gücü HD', 0, '00C9', '00C8', '00C9', '0000', 0, 1, 0, 0, 0, 0, 0, 3, 1, 0);

INSERT INTO ChannelBouquet (sat_id, stp_id, sid, bou_id, sort_id) VALUES
  (420, 1, '1F41', 1, 1),
  (420, 1, '1F42', 1, 2),
  (420, 1, '1F43', 1, 3),
  (420, 1, '1F44', 1, 4),
  (420, 2, '2B03', 1, 5),
  (420, 3, '3C01', 1, 6),
  (420, 3, '3C02', 1, 7),
  (420, 2, '2B01', 1, 10),
  (420, 2, '2B02', 1, 11);

INSERT INTO ChannelAudio (sat_id, stp_id, sid, sort_id, apid, lang_id, ac3, dts) VALUES
  (420, 1, '1F41', 1, '0066', 1, 0, 0),
  (420, 1, '1F41', 2, '0067', 8, 0, 0),
  (420, 1, '1F42', 1, '00CA', 1, 0, 0),
  (420, 1, '1F43', 1, '012E', 1, 0, 0),
  (420, 1, '1F44', 1, '0192', 1, 0, 0),
  (420, 2, '2B01', 1, '006E', 1, 0, 0),
  (420, 2, '2B02', 1, '00D2', 1, 0, 0),
  (420, 2, '2B03', 1, '012E', 1, 0, 0),
  (420, 3, '3C01', 1, '0066', 1, 0, 0),
  (420, 3, '3C01', 2, '0067', 1, 1, 0),
  (420, 3, '3C02', 1, '00CA', 1, 0, 0);

INSERT INTO ChannelCas (sat_id, stp_id, sid, cas_id) VALUES
  (420, 3, '3C01', 2),
  (420, 3, '3C01', 5),
  (420, 3, '3C02', 5);

-- 39.0E ------------------------------------------------------------------
INSERT INTO Transponders (sat_id, stp_id, tp_name, frequency, polarity, sr, fec, modulation, nid, tid, pilot, flag_feed) VALUES
  (390, 1, 'HS 12524V', 12524, 0, 30000, 3, 0, '0031', '0F1A', 0, 0),
  (390, 2, 'HS 12565H', 12565, 1, 30000, 2, 2, '0031', '0F1B', 2, 0);

INSERT INTO Channels (sat_id, stp_id, sid, ch_name, ch_type, vpid, pmt_pid, pcr_pid, txt_pid, subtitle, scrambled, locked, skip, dupdpid, dupdname, dupdsid, cat_id, hd, d3) VALUES
  (390, 1, '0B01', 'ΕΡΤ1', 0, '0065', '0064', '0065', '006D', 1, 0, 0, 0, 0, 0, 0, 1, 0, 0),
  (390, 1, '0B02', 'Σκάι', 0, '00C9', '00C8', '00C9', '0000', 0, 0, 0, 0, 0, 0, 0, 1, 0, 0),
  (390, 1, '0B03', 'Άλφα', 0, '012D', '012C', '012D', '0000', 0, 0, 0, 0, 0, 0, 0, 1, 0, 0),
  (390, 1, '0B04', 'Ελληνική Τηλεόραση Κρήτη', 0, '0191', '0190', '0191', '0000', 0, 0, 0, 0, 0, 0, 0, 8, 0, 0),
  (390, 2, '0C01', 'Τηλεόραση Θεσσαλονίκης HD', 0, '0065', '0064', '0065', '0000', 0, 0, 0, 0, 0, 0, 0, 8, 1, 0),
  (390, 2, '0C02', 'Νόβα Σπορ HD', 0, '00C9', '00C8', '00C9', '0000', 0, 1, 0, 0, 0, 0, 0, 3, 1, 0),
  (390, 2, '0C03', 'Ράδιο Αθήνα', 1, '0000', '012C', '0136', '0000', 0, 0, 0, 0, 0, 0, 0, 11, 0, 0);

INSERT INTO ChannelBouquet (sat_id, stp_id, sid, bou_id, sort_id) VALUES
  (390, 1, '0B01', 2, 1),
  (390, 1, '0B02', 2, 2),
  (390, 1, '0B03', 2, 3),
  (390, 1, '0B04', 2, 4),
  (390, 2, '0C01', 2, 5),
  (390, 2, '0C02', 2, 6),
  (390, 2, '0C03', 2, 10);

INSERT INTO ChannelAudio (sat_id, stp_id, sid, sort_id, apid, lang_id, ac3, dts) VALUES
  (390, 1, '0B01', 1, '0066', 2, 0, 0),
  (390, 1, '0B01', 2, '0067', 8, 0, 0),
  (390, 1, '0B02', 1, '00CA', 2, 0, 0),
  (390, 1, '0B03', 1, '012E', 2, 0, 0),
  (390, 1, '0B04', 1, '0192', 2, 0, 0),
  (390, 2, '0C01', 1, '0066', 2, 0, 0),
  (390, 2, '0C01', 2, '0067', 2, 1, 0),
  (390, 2, '0C02', 1, '00CA', 2, 0, 0),
  (390, 2, '0C03', 1, '0136', 2, 0, 0);

INSERT INTO ChannelCas (sat_id, stp_id, sid, cas_id) VALUES
  (390, 2, '0C02', 2);

-- Eutelsat 7.0E ----------------------------------------------------------
INSERT INTO Transponders (sat_id, stp_id, tp_name, frequency, polarity, sr, fec, modulation, nid, tid, pilot, flag_feed) VALUES
  (70, 1, '7B 10962H', 10962, 1, 30000, 4, 0, '0055', '4E21', 0, 0),
  (70, 2, '7B 11471V', 11471, 0, 30000, 3, 1, '0055', '4E22', 2, 0);

INSERT INTO Channels (sat_id, stp_id, sid, ch_name, ch_type, vpid, pmt_pid, pcr_pid, txt_pid, subtitle, scrambled, locked, skip, dupdpid, dupdname, dupdsid, cat_id, hd, d3) VALUES
  (70, 1, '1389', 'الجزيرة', 0, '0065', '0064', '0065', '0000', 0, 0, 0, 0, 0, 0, 0, 2, 0, 0),
  (70, 1, '138A', 'العربية', 0, '00C9', '00C8', '00C9', '0000', 0, 0, 0, 0, 0, 0, 0, 2, 0, 0),
  (70, 1, '138B', 'قناة العربية الحدث مباشر', 0, '012D', '012C', '012D', '0000', 0, 0, 0, 0, 0, 0, 0, 2, 0, 0),
  (70, 1, '138C', 'قناة الجزيرة الوثائقية HD', 0, '0191', '0190', '0191', '0000', 0, 0, 0, 0, 0, 0, 0, 7, 1, 0),
  (70, 2, '14B5', 'Kanal 7 Avrupa', 0, '0065', '0064', '0065', '0000', 0, 0, 0, 0, 0, 0, 0, 1, 0, 0),
  (70, 2, '14B6', 'Radyo Çınar', 1, '0000', '00C8', '00D2', '0000', 0, 0, 0, 0, 0, 0, 0, 11, 0, 0);

INSERT INTO ChannelBouquet (sat_id, stp_id, sid, bou_id, sort_id) VALUES
  (70, 1, '1389', 5, 1),
  (70, 1, '138A', 5, 2),
  (70, 1, '138B', 5, 3),
  (70, 1, '138C', 5, 4),
  (70, 2, '14B5', 1, 8),
  (70, 2, '14B6', 1, 12);

INSERT INTO ChannelAudio (sat_id, stp_id, sid, sort_id, apid, lang_id, ac3, dts) VALUES
  (70, 1, '1389', 1, '0066', 5, 0, 0),
  (70, 1, '1389', 2, '0067', 8, 0, 0),
  (70, 1, '138A', 1, '00CA', 5, 0, 0),
  (70, 1, '138B', 1, '012E', 5, 0, 0),
  (70, 1, '138C', 1, '0192', 5, 0, 0),
  (70, 2, '14B5', 1, '0066', 1, 0, 0),
  (70, 2, '14B6', 1, '00D2', 1, 0, 0);

-- Hotbird 13.0E ----------------------------------------------------------
INSERT INTO Transponders (sat_id, stp_id, tp_name, frequency, polarity, sr, fec, modulation, nid, tid, pilot, flag_feed) VALUES
  (130, 1, 'HB 13B 61', 11034, 0, 27500, 3, 0, '013E', '2E19', 0, 0),
  (130, 2, 'HB 13C 88', 11258, 1, 27500, 2, 2, '013E', '2EE5', 2, 0);

INSERT INTO Channels (sat_id, stp_id, sid, ch_name, ch_type, vpid, pmt_pid, pcr_pid, txt_pid, subtitle, scrambled, locked, skip, dupdpid, dupdname, dupdsid, cat_id, hd, d3) VALUES
  (130, 1, '2161', 'Télé Süd', 0, '0065', '0064', '0065', '006D', 1, 0, 0, 0, 0, 0, 0, 8, 0, 0),
  (130, 1, '2162', '📺 Kids TV', 0, '00C9', '00C8', '00C9', '0000', 0, 0, 0, 0, 0, 0, 0, 5, 0, 0),
  (130, 1, '2163', 'Київ ТБ', 0, '012D', '012C', '012D', '0000', 0, 0, 0, 0, 0, 0, 0, 1, 0, 0),
  (130, 2, '3A01', '中央电视台', 0, '0065', '0064', '0065', '0000', 0, 0, 0, 0, 0, 0, 0, 1, 0, 0),
  (130, 2, '3A02', 'NHK ワールド', 0, '00C9', '00C8', '00C9', '0000', 0, 0, 0, 0, 0, 0, 0, 2, 0, 0),
  (130, 2, '3A03', '中央电视台中文国际频道 CCTV-4 欧洲美洲版', 0, '012D', '012C', '012D', '0000', 0, 0, 0, 0, 0, 0, 0, 1, 1, 0),
  (130, 2, '3A04', 'NHK ワールド・プレミアム 日本語国際放送 HD', 0, '0191', '0190', '0191', '0000', 0, 1, 0, 0, 0, 0, 0, 1, 1, 0);

INSERT INTO ChannelBouquet (sat_id, stp_id, sid, bou_id, sort_id) VALUES
  (130, 1, '2161', 7, 1),
  (130, 1, '2162', 7, 2),
  (130, 1, '2163', 3, 2),
  (130, 2, '3A01', 6, 1),
  (130, 2, '3A02', 6, 2),
  (130, 2, '3A03', 6, 3),
  (130, 2, '3A04', 6, 4);

INSERT INTO ChannelAudio (sat_id, stp_id, sid, sort_id, apid, lang_id, ac3, dts) VALUES
  (130, 1, '2161', 1, '0066', 9, 0, 0),
  (130, 1, '2162', 1, '00CA', 8, 0, 0),
  (130, 1, '2163', 1, '012E', 3, 0, 0),
  (130, 2, '3A01', 1, '0066', 6, 0, 0),
  (130, 2, '3A02', 1, '00CA', 7, 0, 0),
  (130, 2, '3A02', 2, '00CB', 8, 0, 0),
  (130, 2, '3A03', 1, '012E', 6, 0, 0),
  (130, 2, '3A04', 1, '0192', 7, 0, 0),
  (130, 2, '3A04', 2, '0193', 7, 1, 0);

INSERT INTO ChannelCas (sat_id, stp_id, sid, cas_id) VALUES
  (130, 2, '3A04', 3);

-- 36.0E ------------------------------------------------------------------
INSERT INTO Transponders (sat_id, stp_id, tp_name, frequency, polarity, sr, fec, modulation, nid, tid, pilot, flag_feed) VALUES
  (360, 1, 'E36 12226L', 12226, 3, 27500, 3, 0, '0070', '0065', 0, 0),
  (360, 2, 'E36 12303R', 12303, 2, 27500, 2, 2, '0070', '0066', 2, 0);

INSERT INTO Channels (sat_id, stp_id, sid, ch_name, ch_type, vpid, pmt_pid, pcr_pid, txt_pid, subtitle, scrambled, locked, skip, dupdpid, dupdname, dupdsid, cat_id, hd, d3) VALUES
  (360, 1, '1B59', 'Перший канал', 0, '0065', '0064', '0065', '006D', 1, 0, 0, 0, 0, 0, 0, 1, 0, 0),
  (360, 1, '1B5A', 'Россия 24', 0, '00C9', '00C8', '00C9', '0000', 0, 1, 0, 0, 0, 0, 0, 2, 0, 0),
  (360, 1, '1B5B', 'Київ ТБ Новини та Погода', 0, '012D', '012C', '012D', '0000', 0, 0, 0, 0, 0, 0, 0, 2, 0, 0),
  (360, 1, '1B5C', 'Перший Західний телеканал', 0, '0191', '0190', '0191', '0000', 0, 0, 0, 0, 0, 0, 0, 8, 0, 0),
  (360, 2, '1C21', 'Радіо Промінь', 1, '0000', '0064', '006E', '0000', 0, 0, 0, 0, 0, 0, 0, 11, 0, 0),
  (360, 2, '1C22', 'Детский мир', 0, '00C9', '00C8', '00C9', '0000', 0, 1, 0, 0, 0, 0, 0, 5, 0, 0),
  (360, 2, '1C23', 'Наше Кино HD', 0, '012D', '012C', '012D', '0000', 0, 1, 0, 0, 0, 0, 0, 4, 1, 0);

INSERT INTO ChannelBouquet (sat_id, stp_id, sid, bou_id, sort_id) VALUES
  (360, 1, '1B59', 3, 1),
  (360, 1, '1B5B', 3, 3),
  (360, 1, '1B5C', 3, 4),
  (360, 2, '1C21', 3, 10),
  (360, 1, '1B5A', 4, 1),
  (360, 2, '1C22', 4, 2),
  (360, 2, '1C23', 4, 3);

INSERT INTO ChannelAudio (sat_id, stp_id, sid, sort_id, apid, lang_id, ac3, dts) VALUES
  (360, 1, '1B59', 1, '0066', 3, 0, 0),
  (360, 1, '1B5A', 1, '00CA', 4, 0, 0),
  (360, 1, '1B5B', 1, '012E', 3, 0, 0),
  (360, 1, '1B5C', 1, '0192', 3, 0, 0),
  (360, 2, '1C21', 1, '006E', 3, 0, 0),
  (360, 2, '1C22', 1, '00CA', 4, 0, 0),
  (360, 2, '1C23', 1, '012E', 4, 0, 0),
  (360, 2, '1C23', 2, '012F', 3, 1, 0);

INSERT INTO ChannelCas (sat_id, stp_id, sid, cas_id) VALUES
  (360, 1, '1B5A', 9),
  (360, 2, '1C22', 9),
  (360, 2, '1C23', 7),
  (360, 2, '1C23', 9);

-- Favourite groups -------------------------------------------------------
INSERT INTO ChannelFavorite (sat_id, stp_id, sid, bou_id, fav_id, sort_id) VALUES
  (390, 1, '0B01', 2, 1, 1),
  (420, 1, '1F41', 1, 1, 2),
  (70, 1, '1389', 5, 1, 3),
  (360, 1, '1B5A', 4, 1, 4),
  (130, 2, '3A02', 6, 1, 5),
  (420, 3, '3C02', 1, 2, 1),
  (390, 2, '0C02', 2, 2, 2),
  (420, 3, '3C01', 1, 2, 3),
  (360, 2, '1C23', 4, 2, 4),
  (130, 1, '2162', 7, 3, 1),
  (420, 2, '2B03', 1, 3, 2),
  (360, 2, '1C22', 4, 3, 3),
  (390, 2, '0C03', 2, 4, 1),
  (420, 2, '2B01', 1, 4, 2),
  (360, 2, '1C21', 3, 4, 3),
  (70, 2, '14B6', 1, 4, 4),
  (360, 1, '1B59', 3, 5, 1);

COMMIT;
