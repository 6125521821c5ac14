-- Numbers the jobs must not pass on, loaded into `velartis_badvalues`
-- after tools/schema.sql. Some numeric columns become text here, as a
-- careless server may hold them.
--
-- Satellite 600 is good; 601 has position '19.2', 602 position 3600: both
-- go with all they carry. Transponders of 600: 1 and 9 good; 2, 3 and 4
-- frequency 0, -11000 and 2147483647 MHz; 5 symbol rate 0; 6 frequency
-- '1e4'; 7 polarity 7; 8 symbol rate NULL. One channel on each; on 1 also
-- 0102 scrambled 2, 0103 cat_id '1.5', 0104 hd '' and the good radio 0105.
-- Audio: 0101's second track has ac3 7; CAS: 0101's id 40 is no system.

SET NAMES latin1;

ALTER TABLE Sats MODIFY position varchar(12) NULL;
ALTER TABLE Transponders MODIFY frequency varchar(12) NULL, MODIFY sr varchar(12) NULL;
ALTER TABLE Channels MODIFY scrambled varchar(4) NULL, MODIFY cat_id varchar(8) NULL,
  MODIFY hd varchar(4) NULL;

INSERT INTO TeamMsg (application, msg, CRC, CRCLinux, show_forum, in_use) VALUES
  ('Velartis1.3', 'Bad values', '00', '00', 'N', 'Y');
INSERT INTO BrenikToolsCounter (application, counter) VALUES ('Velartis1.3', 0);
INSERT INTO Sats (sat_id, sat_name, position, location) VALUES
  (600, 'Bad Values Sat', '600', '60.0E'),
  (601, 'Decimal Position', '19.2', '19.2E'),
  (602, 'Far Position', '3600', '0.0E');

INSERT INTO Transponders (sat_id, stp_id, tp_name, frequency, polarity, sr, fec, modulation,
                          nid, tid, pilot, flag_feed) VALUES
  (600, 1, 'Good', '11001', 0, '27500', 3, 0, '0001', '0010', 0, 0),
  (600, 2, 'Zero', '0', 0, '27500', 3, 0, '0001', '0020', 0, 0),
  (600, 3, 'Negative', '-11000', 0, '27500', 3, 0, '0001', '0030', 0, 0),
  (600, 4, 'Huge', '2147483647', 0, '27500', 3, 0, '0001', '0040', 0, 0),
  (600, 5, 'No rate', '11005', 0, '0', 3, 0, '0001', '0050', 0, 0),
  (600, 6, 'Exponent', '1e4', 0, '27500', 3, 0, '0001', '0060', 0, 0),
  (600, 7, 'Polarity', '11007', 7, '27500', 3, 0, '0001', '0070', 0, 0),
  (600, 8, 'Null rate', '11008', 1, NULL, 3, 0, '0001', '0080', 0, 0),
  (600, 9, 'Good too', '11009', 1, '22000', 2, 2, '0001', '0090', 2, 0),
  (601, 1, 'On 601', '11001', 0, '27500', 3, 0, '0002', '0010', 0, 0),
  (602, 1, 'On 602', '11001', 0, '27500', 3, 0, '0003', '0010', 0, 0);

INSERT INTO Channels (sat_id, stp_id, sid, ch_name, ch_type, vpid, pmt_pid, pcr_pid, txt_pid,
                      scrambled, cat_id, hd) VALUES
  (600, 1, '0101', 'Good One', 0, '0A01', '0B01', '0C01', '0000', '0', '1', '0'),
  (600, 1, '0102', 'Scrambled Two', 0, '0A02', '0B02', '0C02', '0000', '2', '1', '0'),
  (600, 1, '0103', 'Category Half', 0, '0A03', '0B03', '0C03', '0000', '0', '1.5', '0'),
  (600, 1, '0104', 'Hd Empty', 0, '0A04', '0B04', '0C04', '0000', '0', '1', ''),
  (600, 1, '0105', 'Good Radio', 1, '0000', '0B05', '0C05', '0000', '0', '1', '0'),
  (600, 2, '0201', 'On Zero', 0, '0A21', '0B21', '0C21', '0000', '0', '1', '0'),
  (600, 3, '0301', 'On Negative', 0, '0A31', '0B31', '0C31', '0000', '0', '1', '0'),
  (600, 4, '0401', 'On Huge', 0, '0A41', '0B41', '0C41', '0000', '0', '1', '0'),
  (600, 5, '0501', 'On No Rate', 0, '0A51', '0B51', '0C51', '0000', '0', '1', '0'),
  (600, 6, '0601', 'On Exponent', 0, '0A61', '0B61', '0C61', '0000', '0', '1', '0'),
  (600, 7, '0701', 'On Polarity', 0, '0A71', '0B71', '0C71', '0000', '0', '1', '0'),
  (600, 8, '0801', 'On Null Rate', 0, '0A81', '0B81', '0C81', '0000', '0', '1', '0'),
  (600, 9, '0901', 'Good Nine', 0, '0A91', '0B91', '0C91', '0000', '1', '2', '1'),
  (601, 1, '6101', 'On 601', 0, '6A01', '6B01', '6C01', '0000', '0', '1', '0'),
  (602, 1, '6201', 'On 602', 0, '7A01', '7B01', '7C01', '0000', '0', '1', '0');

INSERT INTO Bouquets (bou_id, bou_name, nat_id, sort_id) VALUES (80, 'Values', 1, 1);
INSERT INTO ChannelBouquet (sat_id, stp_id, sid, bou_id, sort_id)
  SELECT sat_id, stp_id, sid, 80, 100 * stp_id + ROW_NUMBER() OVER (ORDER BY stp_id, sid)
  FROM Channels;

INSERT INTO Languages (lang_id, lang_name) VALUES (1, 'ita');
INSERT INTO ChannelAudio (sat_id, stp_id, sid, sort_id, apid, lang_id, ac3, dts) VALUES
  (600, 1, '0101', 1, '0111', 1, 0, 0),
  (600, 1, '0101', 2, '0112', 1, 7, 0);
INSERT INTO ChannelCas (sat_id, stp_id, sid, cas_id) VALUES
  (600, 1, '0101', 5), (600, 1, '0101', 40);

INSERT INTO Favorites (fav_id, fav_name, enable, sort_id) VALUES (1, 'Values Fav', '1', 1);
INSERT INTO ChannelFavorite (sat_id, stp_id, sid, bou_id, fav_id, sort_id) VALUES
  (600, 1, '0101', 80, 1, 1), (600, 1, '0102', 80, 1, 2), (600, 9, '0901', 80, 1, 3),
  (601, 1, '6101', 80, 1, 4);
