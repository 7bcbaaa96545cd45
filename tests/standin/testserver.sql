-- The tests' server: the demo database plus a login with a password, a second
-- database, a table with a column of every type and a table with long values.
EXEC sp_addlogin 'tester', 'Geslo.1', 'Vidrol'
GO
CREATE DATABASE Drugi
GO
USE Drugi
CREATE TABLE [Opombe] ([Id] int NOT NULL PRIMARY KEY, [Besedilo] nvarchar(100) NULL)
INSERT INTO [Opombe] VALUES (1, N'Druga baza')
GO
USE Vidrol
GO
CREATE TABLE [Tipi] (
    [Id] int NOT NULL PRIMARY KEY,
    [Si] smallint NULL, [Ti] tinyint NULL, [Bi] bigint NULL, [B] bit NULL,
    [R] real NULL, [F] float NULL, [D] decimal(10,2) NULL, [N] numeric(8,3) NULL, [M] money NULL,
    [C] char(5) NULL, [Vc] varchar(20) NULL, [Nc] nchar(5) NULL, [Nvc] nvarchar(20) NULL,
    [T] text NULL, [Nt] ntext NULL,
    [Dt] datetime NULL, [Da] date NULL, [Tm] time NULL,
    [Bin] binary(4) NULL, [Vb] varbinary(10) NULL, [Img] image NULL, [G] uniqueidentifier NULL
)
INSERT INTO [Tipi] VALUES (1, -12, 250, 9000000000, 1, 1.5, 2.25, 1234.56, -12.345, 19.99,
    'abc', 'varchar', N'čšž', N'Žiga Čož', 'dolgo besedilo', N'dolgo č', '2024-02-29 13:45:30.123',
    '2024-02-29', '13:45:30', 0xDEADBEEF, 0x0102, 0x00FF00FF, '6F9619FF-8B86-D011-B42D-00C04FC964FF')
INSERT INTO [Tipi] ([Id]) VALUES (2)
GO
CREATE TABLE [Dolgo] ([Id] int NOT NULL PRIMARY KEY, [Besedilo] text NULL, [Podatki] image NULL)
INSERT INTO [Dolgo] VALUES (1, replace(printf('%.*c', 2000, '#'), '#', 'čšž'), zeroblob(3000))
INSERT INTO [Dolgo] VALUES (2, printf('%.*c', 5000, 'x'), NULL)
GO
